#include "meshes/definitions/MeshResult.h"



namespace {

struct Entry {
    const char* name;
    const char* text;
};

const Entry kEntries[] = {
    {"", ""},
    {"RES_UNKNOWN", "Unknown mesh load error"},
    {"RES_FILE_OPEN_ERROR", "Unable to open file"},
    {"RES_FILE_FORMAT_ERROR", "Unexpected file format"},
    {"RES_FILE_VERSION_ERROR", "Incompatible file version"},
    {"RES_NO_MATERIAL_MANAGER", "Unable to find material manager in Render Kernel"},
    {"RES_UNSUPPORTED_MATERIAL", "Unable to create requested material"},
    {"RES_UNKNOWN_MATERIAL", "Unable to find the type of a requested material"},
    {"RES_FAIL_CHUNK_CREATE", "Failed to create geometry chunk"},
    {"RES_FILE_DATA_ERROR", "File contains invalid data"},
};

}  // namespace

const char* MeshResultName(uint32_t code) { return code < 10 ? kEntries[code].name : ""; }
const char* MeshResultText(uint32_t code) { return code < 10 ? kEntries[code].text : ""; }


