#pragma once
// The definition behind ".pm" progressive meshes: an .im file with one more
// top-level chunk, "PMIN" (version 101: four table sizes A, B, C, D, then
// A uint32, B records of 4 uint32, C records of 2 uint32 and D uint32),
// which is stepped over and not kept. It opens its file itself, asks the
// display for no hardware skinning (every chunk is skinned in software),
// computes no texture detail, and names itself by the file name without
// its folder.
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"

class VorlexProgressiveMeshDefinition : public VorlexIndexedMeshDefinition {
public:
    explicit VorlexProgressiveMeshDefinition(const MeshLoadOptions& options = {})
        : VorlexIndexedMeshDefinition(options) {}

    uint32_t Read(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource, const char* fileName,
                  uint32_t vertexColour) override;
    // Reads a .pm held in memory; `path` stands for the opened file's path.
    uint32_t ReadMemory(Vek::MaterialManager* manager, Vek::Resource* resource, const void* data, std::size_t length,
                        const char* path, uint32_t vertexColour);

    using VorlexIndexedMeshDefinition::ReadPMIN;

private:
    uint32_t ReadFrom(Vek::MemoryFile& source, Vek::MaterialManager* manager, Vek::Resource* resource,
                      const char* path, uint32_t vertexColour);
};
