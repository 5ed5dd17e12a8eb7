#pragma once
// A named reference position and orientation of a model (not a particle):
// places that other code looks up by name.
#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/scene/PointNames.h"

namespace Vek {

class ReferencePoint {
public:
    ReferencePoint(const PString& name, const Vector3& position, const Quaternion& orientation)
        : m_name(name), m_position(position), m_orientation(orientation) {}

    static void GetSubNames(const char* name, PString& first, PString& second) { SplitPointName(name, first, second); }

    const PString& GetName() const { return m_name; }
    const Vector3& GetPosition() const { return m_position; }
    const Quaternion& GetOrientation() const { return m_orientation; }

private:
    PString m_name;
    Vector3 m_position;
    Quaternion m_orientation;
};

}  // namespace Vek
