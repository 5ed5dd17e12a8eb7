#pragma once
// One loaded animation, ready to be played by an Animator.
#include <memory>

#include "engine/PString.h"
#include "engine/animation/KinAnimation.h"

namespace Vek {

class ResourceDatabase;

class AnimationModifier {
public:
    // Loads the ".kin" file `name` through the resource database (a plain
    // path without one). Null when the file is missing or unreadable. The
    // caller deletes the result.
    static AnimationModifier* CreateInstance(const ResourceDatabase* database, const char* name, int mode);

    const PString& GetName() const { return m_name; }
    int GetMode() const { return m_mode; }
    const KinAnimation& GetAnimation() const { return m_animation; }

private:
    AnimationModifier() = default;

    PString m_name;
    int m_mode = 0;
    KinAnimation m_animation;
};

}  // namespace Vek
