#pragma once
// The first material of each kind among those added: a material is of the
// kind of an earlier one when the earlier one has its type identifier and
// Equals it. Equals compares exact values (numbers with ==, texture
// objects by identity), so it is an equivalence among materials that equal
// themselves; the first equal one is then found through a hash of the
// values it compares instead of a walk over every material added. A
// material that does not equal itself (a NaN among its values) equals no
// material and is never kept.
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace Vek {
class Material;
}

class FirstEqualMaterials {
public:
    // The first material added that `material` is equal to, or null.
    Vek::Material* Find(const Vek::Material* material) const;
    // Keeps `material` unless an equal one was added before it.
    void Add(Vek::Material* material);

private:
    // A hash of the base values that Equals compares: materials that are
    // equal give the same hash (+0 and -0 alike).
    static std::size_t HashOf(const Vek::Material& material);
    Vek::Material* Find(const Vek::Material* material, std::size_t hash) const;

    // Per hash, the materials kept, in the order they were added.
    std::unordered_map<std::size_t, std::vector<Vek::Material*>> m_byHash;
};
