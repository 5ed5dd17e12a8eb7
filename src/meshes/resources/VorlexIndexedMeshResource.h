#pragma once
// The engine resource behind ".im" files.
#include "meshes/resources/VorlexGeometryBaseResource.h"

class VorlexIndexedMeshResource : public VorlexGeometryBaseResource {
public:
    using VorlexGeometryBaseResource::VorlexGeometryBaseResource;

    // 1 without a render kernel; else a definition made with the load
    // options opens and reads the file: 0, or 1 (definition dropped).
    int Load(const char* fileName) override;
    // A VorlexIndexedMeshInstance for a static mesh, a
    // VorlexDynamicIndexedMeshInstance for a skinned one with a skeleton,
    // null otherwise (also without a kernel or a definition).
    Vek::Particle* MakeInstance() override;
};
