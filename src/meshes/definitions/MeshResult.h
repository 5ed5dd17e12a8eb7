#pragma once
// The result codes of every mesh loader (0 success, 1 to 9 failures), with
// the name and message text of each failure.
#include <cstdint>



enum MeshResult : uint32_t {
    RES_OK = 0,
    RES_UNKNOWN = 1,
    RES_FILE_OPEN_ERROR = 2,
    RES_FILE_FORMAT_ERROR = 3,
    RES_FILE_VERSION_ERROR = 4,
    RES_NO_MATERIAL_MANAGER = 5,
    RES_UNSUPPORTED_MATERIAL = 6,
    RES_UNKNOWN_MATERIAL = 7,
    RES_FAIL_CHUNK_CREATE = 8,
    RES_FILE_DATA_ERROR = 9,
};

// "RES_FILE_FORMAT_ERROR" and so on; "" for 0 and for codes above 9.
const char* MeshResultName(uint32_t code);
// "Unexpected file format" and so on; "" for 0 and for codes above 9.
const char* MeshResultText(uint32_t code);


