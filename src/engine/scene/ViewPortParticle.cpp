#include "engine/scene/ViewPortParticle.h"

namespace Vek {

Particle* ViewPortParticle::CreateInstance() const {
    auto* copy = new ViewPortParticle;
    copy->InitInstance(*this);
    return copy;
}

}  // namespace Vek
