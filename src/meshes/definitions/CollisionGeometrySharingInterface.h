#pragma once
// A mesh definition's triangles as its collision tree reads them: the
// corners of an id (chunk x 65536 + first index position) from the
// definition's chunks.
#include "meshes/collision/VXAxisBoxTreeExternalGeometry.h"

class VorlexIndexedMeshDefinition;

class CollisionGeometrySharingInterface : public VXAxisBoxTreeExternalGeometry {
public:
    explicit CollisionGeometrySharingInterface(const VorlexIndexedMeshDefinition* definition)
        : m_definition(definition) {}
    bool FetchTriangle(int32_t id, float corners[9]) const override;
    const VorlexIndexedMeshDefinition* GetDefinition() const { return m_definition; }

private:
    const VorlexIndexedMeshDefinition* m_definition;
};
