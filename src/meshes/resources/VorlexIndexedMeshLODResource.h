#pragma once
// The engine resource behind level-of-detail mesh files: ".lm" (Load) and
// "lm.txt" descriptions (LoadTxt); "x.lm" is loaded from "x.lm.txt" when
// only the text exists (Vek::Resource::Lock). Load completion loads the
// textures of the per-level meshes of a text build, shares equal materials
// between levels and makes the chunks' display buffers.
//
// A failed .lm load keeps no definition; a failed text load keeps what was
// built until the resource goes (GetDefinition returns it), but no
// instance is made of it.
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "meshes/resources/VorlexGeometryBaseResource.h"

class VorlexIndexedMeshLODResource : public VorlexGeometryBaseResource {
public:
    using VorlexGeometryBaseResource::VorlexGeometryBaseResource;

    bool LoadAll() override;
    int IsAllLoaded() const override;
    // 1 without a render kernel or material manager, or when the file does
    // not read; else 0.
    int Load(const char* fileName) override;
    int LoadTxt(const char* fileName) override;
    int LoadComplete() override;
    uint32_t CalculateDataSize() const override;
    // A VorlexIndexedMeshLODInstance for a mesh without bones, a
    // VorlexDynamicIndexedMeshLODInstance for one with bones and a
    // skeleton; null otherwise, without a kernel or definition, and for a
    // resource whose last load failed.
    Vek::Particle* MakeInstance() override;

    VorlexIndexedMeshLODDefinition* GetLODDefinition() const {
        return static_cast<VorlexIndexedMeshLODDefinition*>(definition.get());
    }

private:
    // Load and LoadTxt: the definition's reader on the kernel's display and
    // material manager.
    uint32_t ReadDefinition(VorlexIndexedMeshLODDefinition& made, const char* fileName, bool text);

    bool m_loadFailed = false;
};
