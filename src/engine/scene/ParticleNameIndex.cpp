#include "engine/scene/ParticleNameIndex.h"

#include "engine/scene/Particle.h"

namespace Vek {

ParticleNameIndex::ParticleNameIndex(const Particle* root, bool includeRoot) {
    if (!root) return;
    if (includeRoot) Add(const_cast<Particle*>(root));
    for (Particle* p = root->NextInSubtree(root); p; p = root->NextInSubtree(p)) Add(p);
}

Particle* ParticleNameIndex::Find(const PString& name) const { return Find(name.c_str()); }

Particle* ParticleNameIndex::Find(const char* name) const {
    if (!name) return nullptr;
    const auto it = m_byName.find(name);
    return it != m_byName.end() ? it->second : nullptr;
}

void ParticleNameIndex::Add(Particle* particle) {
    if (particle) m_byName.try_emplace(particle->GetName().c_str(), particle);
}

}  // namespace Vek
