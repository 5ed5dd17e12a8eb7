#pragma once
// A material's lighting colours and specular power, in the order ambient,
// diffuse, specular, emissive. The engine defaults: ambient (0.2, 0.2, 0.2),
// diffuse (0.8, 0.8, 0.8), specular and emissive black, all opaque;
// power 0.
#include "engine/display/DisplayColor.h"

namespace Vek {

struct DisplayMaterial {
    DisplayColor ambient{0.2f, 0.2f, 0.2f, 1.0f};
    DisplayColor diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    DisplayColor specular{0.0f, 0.0f, 0.0f, 1.0f};
    DisplayColor emissive{0.0f, 0.0f, 0.0f, 1.0f};
    float power = 0.0f;

    bool operator==(const DisplayMaterial& o) const {
        return ambient == o.ambient && diffuse == o.diffuse && specular == o.specular && emissive == o.emissive &&
               power == o.power;
    }
    bool operator!=(const DisplayMaterial& o) const { return !(*this == o); }
};

}  // namespace Vek
