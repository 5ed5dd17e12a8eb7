#pragma once
// The global matrices of particles, each worked out once: a particle's
// global matrix is its local matrix times its parent's global matrix, and
// the parent's comes from the cache when it was worked out before. Placing
// many particles under the bones of a deep skeleton then walks each chain
// of parents once, not once per particle placed. The particles whose
// matrices are held must not move, nor change parents, while the cache is
// in use.
#include <unordered_map>

#include "engine/math/Matrix4.h"

namespace Vek {

class Particle;

class GlobalMatrixCache {
public:
    // The global matrix of `particle` (identity for null).
    const Matrix4& Get(const Particle* particle);

private:
    std::unordered_map<const Particle*, Matrix4> m_global;
};

}  // namespace Vek
