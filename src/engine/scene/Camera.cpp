#include "engine/scene/Camera.h"

namespace Vek {

void Camera::GetViewTransform(Matrix4& view) const {
    Matrix4 placement = Matrix4::FromRotationTranslation(m_orientation, m_position);
    Matrix4 inverse;
    view = placement.Invert(inverse) ? inverse : Matrix4::Identity();
}

}  // namespace Vek
