#include "engine/scene/GlobalMatrixCache.h"

#include <vector>

#include "engine/scene/Particle.h"

namespace Vek {

const Matrix4& GlobalMatrixCache::Get(const Particle* particle) {
    static const Matrix4 kIdentity = Matrix4::Identity();
    if (!particle) return kIdentity;
    if (const auto it = m_global.find(particle); it != m_global.end()) return it->second;
    // The particle and its ancestors up to the first one known, nearest
    // first; then worked out from the top down.
    std::vector<const Particle*> chain;
    const Matrix4* above = &kIdentity;
    for (const Particle* p = particle; p; p = p->GetParent()) {
        if (const auto it = m_global.find(p); it != m_global.end()) {
            above = &it->second;
            break;
        }
        chain.push_back(p);
    }
    for (std::size_t k = chain.size(); k-- > 0;)
        above = &m_global.emplace(chain[k], chain[k]->GetLocalMatrix() * *above).first->second;
    return *above;
}

}  // namespace Vek
