#include "meshes/resources/VorlexIndexedMeshLODResource.h"

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexDynamicIndexedMeshLODInstance.h"

uint32_t VorlexIndexedMeshLODResource::ReadDefinition(VorlexIndexedMeshLODDefinition& made, const char* fileName,
                                                      bool text) {
    Vek::MaterialManager* manager = renderKernel->GetMaterialManager();
    if (!manager) return RES_NO_MATERIAL_MANAGER;
    Vek::Display* display = renderKernel->GetDisplay();
    const uint32_t colour = display ? display->GetDefaultVertexColor() : 0xFFFFFFFFu;
    return text ? made.LoadText(display, manager, this, fileName, colour)
                : made.Read(display, manager, this, fileName, colour);
}

int VorlexIndexedMeshLODResource::Load(const char* fileName) {
    ClearMissingMaterials();
    definition.reset();
    m_loadFailed = true;
    if (!renderKernel) return kFailed;
    auto made = std::make_unique<VorlexIndexedMeshLODDefinition>(loadOptions);
    const uint32_t result = ReadDefinition(*made, fileName, false);
    m_loadFailed = result != RES_OK;
    return FinishLoad(std::move(made), result);
}

int VorlexIndexedMeshLODResource::LoadTxt(const char* fileName) {
    definition.reset();
    m_loadFailed = true;
    if (!renderKernel) return kFailed;
    auto made = std::make_unique<VorlexIndexedMeshLODDefinition>(loadOptions);
    const uint32_t result = ReadDefinition(*made, fileName, true);
    m_loadFailed = result != RES_OK;
    for (const std::string& name : made->GetMissingMaterials()) missingMaterials.emplace_back(name.c_str());
    // What a failed text build made stays until the resource goes.
    definition = std::move(made);
    return result == RES_OK ? kOk : kFailed;
}

int VorlexIndexedMeshLODResource::LoadComplete() {
    if (VorlexIndexedMeshLODDefinition* d = GetLODDefinition()) {
        d->LoadPendingTextures();
        d->FinishLevelDefinitions();
        d->ShareLevelMaterials();
        // The buffers are made again on a later draw when this fails.
        (void)d->InitializeLevelBuffers(renderKernel ? renderKernel->GetDisplay() : nullptr);
    }
    return Vek::Resource::LoadComplete();
}

bool VorlexIndexedMeshLODResource::LoadAll() {
    if (!Vek::Resource::LoadAll()) return false;
    if (const VorlexIndexedMeshLODDefinition* d = GetLODDefinition())
        for (uint32_t l = 0; l < d->GetLevelCount(); ++l)
            if (!VorlexIndexedMeshInstance::LoadMaterialTextures(d->GetLevel(l)->materials.GetItems())) return false;
    return true;
}

int VorlexIndexedMeshLODResource::IsAllLoaded() const {
    if (const int state = Vek::Resource::IsAllLoaded()) return state;
    if (const VorlexIndexedMeshLODDefinition* d = GetLODDefinition())
        for (uint32_t l = 0; l < d->GetLevelCount(); ++l)
            if (const int state = VorlexIndexedMeshInstance::GetMaterialTexturesState(d->GetLevel(l)->materials.GetItems()))
                return state;
    return 0;
}

uint32_t VorlexIndexedMeshLODResource::CalculateDataSize() const {
    const VorlexIndexedMeshLODDefinition* d = GetLODDefinition();
    return d ? d->CalculateLODDataSize() : 0;
}

Vek::Particle* VorlexIndexedMeshLODResource::MakeInstance() {
    VorlexIndexedMeshLODDefinition* d = GetLODDefinition();
    if (!renderKernel || !d || m_loadFailed) return nullptr;
    if (d->boneCount == 0) {
        auto* instance = new VorlexIndexedMeshLODInstance(renderKernel);
        instance->InitFromResource(this, d);
        return instance;
    }
    if (!d->skeletonRoot) return nullptr;
    auto* instance = new VorlexDynamicIndexedMeshLODInstance(renderKernel);
    instance->InitFromResource(this, d);
    return instance;
}
