#pragma once
// A ray: a point and a direction.
#include "engine/Vector.h"

namespace Vek {

struct Ray {
    Vector3 point;
    Vector3 direction;
};

}  // namespace Vek
