#pragma once
// Plays animations on a skeleton.
//
// Add loads a ".kin" animation (engine/animation/KinAnimation.h) through the
// animator's resource database and attaches it to the skeleton modifier.
// Results:
//   0  added
//   2  the skeleton cannot play it: there is no skeleton modifier, the
//      model has no bones, or the animation names a bone the model lacks
//   3  the file is missing or unreadable
//   4  no observer could be set up for it (not raised by this engine)
#include <cstdint>
#include <memory>
#include <vector>

namespace Vek {

class AnimationModifier;
class Display;
class Particle;
class ResourceDatabase;
class SkeletonModifier;

class Animator {
public:
    enum Result : int { kAdded = 0, kSkeletonMismatch = 2, kUnreadable = 3, kNoObserver = 4 };

    Animator(Display* display, const ResourceDatabase* database, SkeletonModifier* skeleton);
    ~Animator();
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    // target: the particle to animate (null: the skeleton modifier's);
    // mode, speed, and the blend and timing values are kept with the
    // animation.
    int Add(Particle* target, const char* name, int mode, float speed, float start, float blendIn, float blendOut,
            float offset, float weight);

    uint32_t GetAnimationCount() const { return static_cast<uint32_t>(m_playing.size()); }

private:
    struct Playing;

    Display* m_display;
    const ResourceDatabase* m_database;
    SkeletonModifier* m_skeleton;
    std::vector<std::unique_ptr<Playing>> m_playing;
};

}  // namespace Vek
