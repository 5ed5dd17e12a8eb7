#include "tetlib/meshdata/LODMeshData.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "meshes/lod/VorlexIndexedMeshLODInstance.h"
#include "meshes/resources/VorlexGeometryBaseResource.h"
#include "tetlib/DataManager.h"
#include "tetlib/ToolsText.h"
#include "tetlib/meshdata/MeshNames.h"

namespace TETLib {

LODMeshData::LODMeshData() = default;

LODMeshData::~LODMeshData() {
    // The instance unlinks itself from the holder as it goes, so the base
    // destructor does not meet it again.
    delete lodInstance;
    lodInstance = nullptr;
}

bool LODMeshData::Load(const Vek::PString& name, Container* ownerContainer) {
    owner = ownerContainer;
    fileName = name;
    return RunOnMainThread(MakeMemberCallback(this, &LODMeshData::LoadLODMeshJob));
}

void LODMeshData::LoadLODMeshJob(CallArgument) { jobResult = LoadLODMesh(); }

bool LODMeshData::LoadLODMesh() {
    std::string name = fileName.c_str();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    resourceName = Vek::PString(name.c_str());
    const std::string relative = WithoutComponents(name, 1);
    Vek::Resource* found = LookUpResource(name);
    if (!found) {
        if (owner && !(DataManager::Exists() && DataManager::Instance()->IsAliasAsset())) ReportNotFound(relative);
        return false;
    }
    auto* resource = dynamic_cast<VorlexGeometryBaseResource*>(found);
    if (!resource) {
        // A resource of another class cannot make an instance.
        if (owner) ReportError(LocalisedToolsText("$tet_mesh_initialise_mesh", {relative}));
        found->ReleaseReference();
        return false;
    }
    if (!PrepareResource(resource, relative)) return false;
    Vek::Particle* made = resource->MakeInstance();
    lodInstance = dynamic_cast<VorlexIndexedMeshLODInstance*>(made);
    lodDefinition = dynamic_cast<VorlexIndexedMeshLODDefinition*>(resource->GetDefinition());
    if (!lodInstance || !lodDefinition) {
        lodInstance = nullptr;
        lodDefinition = nullptr;
        return FailInstance(resource, made, relative);
    }
    return FinishLoad(resource, made, *lodDefinition);
}

int LODMeshData::GetPolygonCount() { return lodInstance ? static_cast<int>(lodInstance->GetTriangleCount()) : 0; }

Vek::Vector3 LODMeshData::GetInfoVector() const { return lodDefinition ? lodDefinition->infoVector : Vek::Vector3(); }

VorlexIndexedMeshInstance* LODMeshData::GetInstance() const { return lodInstance; }

VorlexIndexedMeshDefinition* LODMeshData::GetDefinition() const { return lodDefinition; }

VorlexIndexedMeshDefinition* LODMeshData::GetIndexedDefinition() const { return lodDefinition; }

void LODMeshData::SwitchLightingOn() {
    if (lodInstance) lodInstance->SetUpdateLighting(true);
}

int LODMeshData::GetDistanceLevelCount() const {
    return lodInstance ? static_cast<int>(lodInstance->Vek::ObjectLOD::GetLevelCount()) : 0;
}

void LODMeshData::SelectLevel(int level) {
    if (lodInstance && level >= 0) lodInstance->SelectLevel(static_cast<uint32_t>(level));
}

void LODMeshData::UpdateLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                                 bool force) {
    if (!lodInstance) return;
    lodInstance->UpdateLighting(display, viewPort, matrix, force);
    lodInstance->SetUpdateLighting(true);
}

}  // namespace TETLib
