#pragma once
// "compresstexture <folder>": converts the texture descriptions of a folder
// and its subfolders.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Empty A: "Missing AssetID parameter." (the word's own text), -1. The
// folder is A as given when it is absolute (ResolveTextureFolderPath),
// else A joined to the current directory, the program folder. Every
// texture description below it is converted (CompressTextureFolder); the
// word returns 0 only when all of them were, else -1 with the reasons in
// the log.
int32_t RunCompressTextureWord(CommandArguments& args);
