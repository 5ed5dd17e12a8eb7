#pragma once
// The engine resource behind ".pm" files. Dynamic indices are on unless the
// load options set them (on or off).
#include "meshes/resources/VorlexGeometryBaseResource.h"

class VorlexProgressiveMeshResource : public VorlexGeometryBaseResource {
public:
    using VorlexGeometryBaseResource::VorlexGeometryBaseResource;

    int Load(const char* fileName) override;
    // A VorlexProgressiveMeshInstance or a VorlexDynamicProgressiveMeshInstance.
    Vek::Particle* MakeInstance() override;
};
