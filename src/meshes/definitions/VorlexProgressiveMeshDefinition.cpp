#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"

#include <string>

#include "engine/File.h"
#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "meshes/definitions/MeshResult.h"

using namespace Vek;

uint32_t VorlexProgressiveMeshDefinition::Read(Display*, MaterialManager* manager, Resource* resource,
                                               const char* fileName, uint32_t vertexColour) {
    if (!manager) return RES_NO_MATERIAL_MANAGER;
    File f;
    ResourceDatabase* database = resource ? resource->GetDatabase() : nullptr;
    bool opened = database ? database->OpenFile(f, fileName, File::kModeRead) : f.Open(fileName, File::kModeRead);
    MemoryFile source;
    if (!opened || !source.Open(f)) return RES_FILE_OPEN_ERROR;
    return ReadFrom(source, manager, resource, fileName, vertexColour);
}

uint32_t VorlexProgressiveMeshDefinition::ReadMemory(MaterialManager* manager, Resource* resource, const void* data,
                                                     std::size_t length, const char* path, uint32_t vertexColour) {
    if (!manager) return RES_NO_MATERIAL_MANAGER;
    MemoryFile source;
    source.Open(data, length);
    return ReadFrom(source, manager, resource, path, vertexColour);
}

uint32_t VorlexProgressiveMeshDefinition::ReadFrom(MemoryFile& source, MaterialManager* manager, Resource* resource,
                                                   const char* path, uint32_t vertexColour) {
    uint32_t result = ReadChunks(source, manager, resource, vertexColour, true);
    if (result != RES_OK) return result;
    BuildSkeleton();
    BuildBonePalettes();
    std::string text = path ? path : "";
    std::size_t slash = text.find_last_of("/\\");
    name = (slash == std::string::npos ? text : text.substr(slash + 1)).c_str();
    ComputeBounds();
    ComputeOrientedBox();
    return RES_OK;
}
