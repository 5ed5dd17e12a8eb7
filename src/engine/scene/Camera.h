#pragma once
// A camera: a position and orientation in the world. Its view transform
// carries world points into camera space (the inverse of its placement).
#include "engine/Vector.h"
#include "engine/math/Matrix4.h"

namespace Vek {

class Camera {
public:
    void Place(const Vector3& position, const Quaternion& orientation) {
        m_position = position;
        m_orientation = orientation;
    }
    const Vector3& GetPosition() const { return m_position; }
    const Quaternion& GetOrientation() const { return m_orientation; }

    // The world-to-camera matrix (row vectors).
    void GetViewTransform(Matrix4& view) const;
    Matrix4 GetViewTransform() const {
        Matrix4 view;
        GetViewTransform(view);
        return view;
    }

private:
    Vector3 m_position;
    Quaternion m_orientation;
};

}  // namespace Vek
