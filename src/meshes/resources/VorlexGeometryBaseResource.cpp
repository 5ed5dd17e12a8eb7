#include "meshes/resources/VorlexGeometryBaseResource.h"

#include "engine/RenderKernel.h"
#include "meshes/instances/VorlexIndexedMeshInstance.h"

VorlexGeometryBaseResource::~VorlexGeometryBaseResource() = default;

int VorlexGeometryBaseResource::FinishLoad(std::unique_ptr<VorlexIndexedMeshDefinition> made, uint32_t result) {
    for (const std::string& name : made->GetMissingMaterials()) missingMaterials.emplace_back(name.c_str());
    if (result != 0) {
        definition.reset();
        return kFailed;
    }
    definition = std::move(made);
    return kOk;
}

int VorlexGeometryBaseResource::LoadComplete() {
    if (definition) {
        definition->LoadPendingTextures();
        // The buffers are made again on a later draw when this fails.
        (void)definition->InitializeChunkBuffers(renderKernel ? renderKernel->GetDisplay() : nullptr);
    }
    return Vek::Resource::LoadComplete();
}

bool VorlexGeometryBaseResource::LoadAll() {
    if (!Vek::Resource::LoadAll()) return false;
    return VorlexIndexedMeshInstance::LoadMaterialTextures(definition ? &definition->materials : nullptr);
}

int VorlexGeometryBaseResource::IsAllLoaded() const {
    if (const int result = Vek::Resource::IsAllLoaded(); result != 0) return result;
    return VorlexIndexedMeshInstance::GetMaterialTexturesState(definition ? &definition->materials : nullptr);
}

uint32_t VorlexGeometryBaseResource::CalculateDataSize() const { return definition ? definition->GetDataSize() : 0; }
