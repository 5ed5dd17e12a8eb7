#pragma once
// A light as the display and the materials see it. Types: 0 ambient,
// 1 point, 2 spot, 3 parallel (directional).
#include <vector>

#include "engine/display/DisplayColor.h"

namespace Vek {

struct DisplayLight {
    enum Type : int { kAmbient = 0, kPoint = 1, kSpot = 2, kParallel = 3 };

    int type = kParallel;
    DisplayColor ambient{0, 0, 0, 1};
    DisplayColor diffuse{1, 1, 1, 1};
    DisplayColor specular{0, 0, 0, 1};
    float position[3] = {0, 0, 0};
    float direction[3] = {0, 0, 1};
    float range = 0.0f;
    float spotAngle = 0.0f;  // degrees
};

using DisplayLightList = std::vector<const DisplayLight*>;

}  // namespace Vek
