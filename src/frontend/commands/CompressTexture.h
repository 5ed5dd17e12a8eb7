#pragma once
// "compresstexture <folder>": converts the texture descriptions of a folder
// and its subfolders.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Empty A: "Missing AssetID parameter." (the word's own text), -1. The
// folder is A as given when it is absolute (ResolveTextureFolderPath),
// else A joined to the current directory, the program folder. The texture
// conversion of the asset tools is not part of this build: the word
// reports "Texture compression is not available in this build: <folder>"
// and returns -1; it never reports a conversion that did not happen.
int32_t RunCompressTextureWord(CommandArguments& args);
