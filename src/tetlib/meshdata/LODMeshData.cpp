#include "tetlib/meshdata/LODMeshData.h"

#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"

namespace TETLib {

LODMeshData::LODMeshData() = default;

LODMeshData::~LODMeshData() = default;

bool LODMeshData::Load(const Vek::PString& name, Container* ownerContainer) {
    owner = ownerContainer;
    fileName = name;
    return RunOnMainThread(MakeMemberCallback(this, &LODMeshData::LoadLODMeshJob));
}

void LODMeshData::LoadLODMeshJob(CallArgument) { jobResult = LoadLODMesh(); }

bool LODMeshData::LoadLODMesh() {
    resourceName = fileName;
    return false;
}

int LODMeshData::GetPolygonCount() { return 0; }
Vek::Vector3 LODMeshData::GetInfoVector() const { return Vek::Vector3(); }
VorlexIndexedMeshInstance* LODMeshData::GetInstance() const { return nullptr; }
VorlexIndexedMeshDefinition* LODMeshData::GetDefinition() const { return nullptr; }
VorlexIndexedMeshDefinition* LODMeshData::GetIndexedDefinition() const { return nullptr; }
void LODMeshData::UpdateLighting(Vek::Display*, Vek::ViewPort*, const Vek::Matrix4&, bool) {}

}  // namespace TETLib
