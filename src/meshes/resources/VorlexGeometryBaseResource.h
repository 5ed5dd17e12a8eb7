#pragma once
// The base of the mesh resources (".im", ".pm" and the level-of-detail
// meshes): it owns one mesh definition, finishes it when loading
// completes, reports its sizes and makes instances of it.
//
// The user sets `renderKernel` (and `loadOptions`) before the resource is
// locked; Lock then calls Load with the file name and LoadComplete. A load
// that fails in any way gives 1 and keeps no definition; the names of the
// materials the material manager did not supply stay in
// `missingMaterials` until the next Load.
#include <memory>
#include <vector>

#include "engine/PString.h"
#include "engine/Resource.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"

namespace Vek {
class Particle;
class RenderKernel;
}  // namespace Vek

class VorlexGeometryBaseResource : public Vek::Resource {
public:
    VorlexGeometryBaseResource(const Vek::PString& name, Vek::ResourceDatabase* database)
        : Vek::Resource(name, database) {}

    // Vek::Resource's load-all, then the textures of the definition's materials.
    bool LoadAll() override;
    // Vek::Resource's result when not 0, else the materials' texture state.
    int IsAllLoaded() const override;
    // With a definition: its pending textures, then its chunk buffers;
    // then Vek::Resource::LoadComplete.
    int LoadComplete() override;
    uint32_t CalculateSize() const override { return sizeof(*this); }
    // The definition's data size; 0 without a definition.
    uint32_t CalculateDataSize() const override;

    // A new instance of the definition, or null (see the derived classes).
    virtual Vek::Particle* MakeInstance() = 0;
    virtual VorlexIndexedMeshDefinition* GetDefinition() const { return definition.get(); }
    void ClearMissingMaterials() { missingMaterials.clear(); }

    Vek::RenderKernel* renderKernel = nullptr;
    MeshLoadOptions loadOptions;
    std::vector<Vek::PString> missingMaterials;
    std::unique_ptr<VorlexIndexedMeshDefinition> definition;

protected:
    ~VorlexGeometryBaseResource() override;
    // Keeps `made` as the definition when `result` is 0 and returns 0; else
    // drops it and returns 1. The missing-material names are kept either way.
    int FinishLoad(std::unique_ptr<VorlexIndexedMeshDefinition> made, uint32_t result);
    // The instance for the loaded definition: a static one (Static, set up
    // with InitFromResource) for a mesh without bones or without bones per
    // chunk, none for bones without a skeleton, else a skinned one
    // (Skinned, set up with InitSkinnedFromResource). None without a
    // render kernel or a definition.
    template <typename Static, typename Skinned>
    Vek::Particle* MakeInstanceOf() {
        VorlexIndexedMeshDefinition* made = GetDefinition();
        if (!renderKernel || !made) return nullptr;
        if (made->boneCount == 0 || made->GetMaxBonesPerChunk() == 0) {
            auto* instance = new Static(renderKernel);
            instance->InitFromResource(this, made);
            return instance;
        }
        if (!made->skeletonRoot) return nullptr;
        auto* instance = new Skinned(renderKernel);
        instance->InitSkinnedFromResource(this, made);
        return instance;
    }
};
