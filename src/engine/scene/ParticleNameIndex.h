#pragma once
// The particles of a subtree by name, looked up instead of searched for:
// for each name, the first particle of that name in depth-first order, the
// order Particle::FindByName searches in. Built in one walk of the subtree,
// so that naming thousands of particles one after another takes time linear
// in their number.
#include <string>
#include <unordered_map>

#include "engine/PString.h"

namespace Vek {

class Particle;

class ParticleNameIndex {
public:
    // The subtree of `root` (null: empty); with `includeRoot` false the root
    // itself is left out, as FindByName leaves it out.
    explicit ParticleNameIndex(const Particle* root, bool includeRoot = true);

    // The first particle of that name, or null.
    Particle* Find(const PString& name) const;
    Particle* Find(const char* name) const;
    // Records a particle added to the subtree after the index was made,
    // unless a particle of its name is known already.
    void Add(Particle* particle);

private:
    std::unordered_map<std::string, Particle*> m_byName;
};

}  // namespace Vek
