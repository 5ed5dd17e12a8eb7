#include "meshes/lod/FirstEqualMaterials.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "engine/materials/Material.h"

using namespace Vek;

namespace {

void Mix(std::size_t& hash, std::size_t value) { hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2); }

// Numbers that compare equal hash alike: both zeros give the hash of +0.
void MixFloat(std::size_t& hash, float value) {
    if (value == 0.0f) value = 0.0f;
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    Mix(hash, bits);
}

void MixColour(std::size_t& hash, const DisplayColor& c) {
    for (float f : {c.r, c.g, c.b, c.a}) MixFloat(hash, f);
}

}  // namespace

std::size_t FirstEqualMaterials::HashOf(const Material& material) {
    std::size_t hash = static_cast<std::size_t>(material.GetTypeID());
    Mix(hash, material.GetFlags());
    MixFloat(hash, material.GetScalar());
    const DisplayMaterial& display = material.GetDisplayMaterial();
    for (const DisplayColor* c : {&display.ambient, &display.diffuse, &display.specular, &display.emissive})
        MixColour(hash, *c);
    MixFloat(hash, display.power);
    for (std::size_t p = 0; p < material.GetPropertyCount(); ++p) {
        const auto* property = material.GetProperty(p);
        Mix(hash, std::hash<std::string>()(property->first));
        Mix(hash, std::hash<std::string>()(property->second));
    }
    Mix(hash, static_cast<std::size_t>(material.GetBlendSource()));
    Mix(hash, static_cast<std::size_t>(material.GetBlendDestination()));
    MixFloat(hash, material.GetOpacity());
    // The slots as the base holds them, as Equals compares them.
    for (int slot = 0; slot < Material::kTextureSlots; ++slot) {
        Mix(hash, std::hash<const void*>()(material.Material::GetTexture(slot)));
        MixFloat(hash, material.GetTextureAmount(slot));
    }
    return hash;
}

Material* FirstEqualMaterials::Find(const Material* material, std::size_t hash) const {
    const auto it = m_byHash.find(hash);
    if (it == m_byHash.end()) return nullptr;
    for (Material* kept : it->second)
        if (kept->GetTypeID() == material->GetTypeID() && kept->Equals(*material)) return kept;
    return nullptr;
}

Material* FirstEqualMaterials::Find(const Material* material) const {
    return material ? Find(material, HashOf(*material)) : nullptr;
}

void FirstEqualMaterials::Add(Material* material) {
    if (!material || !material->Equals(*material)) return;
    const std::size_t hash = HashOf(*material);
    if (!Find(material, hash)) m_byHash[hash].push_back(material);
}
