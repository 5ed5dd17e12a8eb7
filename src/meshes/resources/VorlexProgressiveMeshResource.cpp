#include "meshes/resources/VorlexProgressiveMeshResource.h"

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"
#include "meshes/instances/VorlexDynamicProgressiveMeshInstance.h"

int VorlexProgressiveMeshResource::Load(const char* fileName) {
    ClearMissingMaterials();
    definition.reset();
    if (!renderKernel) return kFailed;
    MeshLoadOptions options = loadOptions;
    // Dynamic indices are on unless the user decided.
    if (options.DynamicIndex.set == 0) options.DynamicIndex = {1, 1};
    auto made = std::make_unique<VorlexProgressiveMeshDefinition>(options);
    Vek::Display* display = renderKernel->GetDisplay();
    const uint32_t result = made->Read(display, renderKernel->GetMaterialManager(), this, fileName,
                                       display ? display->GetDefaultVertexColor() : 0xFFFFFFFFu);
    return FinishLoad(std::move(made), result);
}

Vek::Particle* VorlexProgressiveMeshResource::MakeInstance() {
    return MakeInstanceOf<VorlexProgressiveMeshInstance, VorlexDynamicProgressiveMeshInstance>();
}
