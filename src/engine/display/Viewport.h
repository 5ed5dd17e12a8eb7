#pragma once
// What a draw needs of the camera: its view transform (row vectors, world
// to camera).
#include "engine/display/DisplayMatrix.h"

namespace Vek {

struct Viewport {
    DisplayMatrix viewTransform;
    const DisplayMatrix& GetViewTransform() const { return viewTransform; }
};

}  // namespace Vek
