#pragma once
// The asset tools' holder of one loaded level-of-detail mesh (".lm", or a
// description ending in "lm.txt"). It loads like MeshData but keeps a
// level-of-detail instance and definition; the plain instance and
// definition of the base stay null, and the accessors answer from the
// level-of-detail members instead.
#include "tetlib/meshdata/MeshData.h"

class VorlexIndexedMeshLODDefinition;
class VorlexIndexedMeshLODInstance;

namespace TETLib {

class LODMeshData : public MeshData {
public:
    LODMeshData();
    // Deletes the level-of-detail instance first, then as MeshData.
    ~LODMeshData() override;

    bool Load(const Vek::PString& fileName, Container* owner) override;
    // The triangle count of the level the LOD instance has selected.
    int GetPolygonCount() override;
    Vek::Vector3 GetInfoVector() const override;
    VorlexIndexedMeshInstance* GetInstance() const override;
    VorlexIndexedMeshDefinition* GetDefinition() const override;
    VorlexIndexedMeshDefinition* GetIndexedDefinition() const override;
    void UpdateLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool force) override;

    VorlexIndexedMeshLODInstance* GetLODInstance() const { return lodInstance; }
    VorlexIndexedMeshLODDefinition* GetLODDefinition() const { return lodDefinition; }

protected:
    void LoadLODMeshJob(CallArgument);
    bool LoadLODMesh();

    VorlexIndexedMeshLODInstance* lodInstance = nullptr;
    VorlexIndexedMeshLODDefinition* lodDefinition = nullptr;
};

}  // namespace TETLib
