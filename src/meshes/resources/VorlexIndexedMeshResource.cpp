#include "meshes/resources/VorlexIndexedMeshResource.h"

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "meshes/instances/VorlexDynamicIndexedMeshInstance.h"

int VorlexIndexedMeshResource::Load(const char* fileName) {
    ClearMissingMaterials();
    definition.reset();
    if (!renderKernel) return kFailed;
    auto made = std::make_unique<VorlexIndexedMeshDefinition>(loadOptions);
    uint32_t result = made->OpenFile(this, fileName);
    if (result == 0) {
        Vek::Display* display = renderKernel->GetDisplay();
        result = made->Read(display, renderKernel->GetMaterialManager(), this, fileName,
                            display ? display->GetDefaultVertexColor() : 0xFFFFFFFFu);
    }
    return FinishLoad(std::move(made), result);
}

Vek::Particle* VorlexIndexedMeshResource::MakeInstance() {
    return MakeInstanceOf<VorlexIndexedMeshInstance, VorlexDynamicIndexedMeshInstance>();
}
