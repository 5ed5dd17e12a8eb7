#pragma once
// Finds the DXT compressor (DxtCompressorInterface.h) once per process: its
// entry point when the program carries it itself, else the module
// "vorlexdxt.so" from the folder named by VORLEX_MODULE_DIR, else from the
// program's own folder.
#include <string>

#include "tetlib/textures/DxtCompressorInterface.h"

namespace TETLib {

// The entry point, or null with the reason in `reason` (when given).
VorlexDxtCompressFunction GetDxtCompressor(std::string* reason = nullptr);

}  // namespace TETLib
