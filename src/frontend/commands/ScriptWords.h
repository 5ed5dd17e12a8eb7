#pragma once
// The script words: "compile" runs the GameScript compiler's command line,
// "encrypt" packs a ".gs" source into its ".gse" twin. Both run with the
// directory the user started from as the current directory, so relative
// paths are the user's; the previous directory is restored afterwards.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Empty A: "Invalid file path.", -1. Otherwise GSCompilerMain gets the
// whole argument vector with the command word replaced by the empty text
// (the caller's vector is not changed); 0 when it returns 0, else -1.
int32_t RunCompileWord(CommandArguments& args);

// A with the extension "gs" is packed into A with the extension "gse"
// (EncryptScriptSource); 0 when it was written. Otherwise -1 with the
// reason: "Invalid file path." for an empty A, another extension or a
// source that cannot be read, or the packer's message when the packed file
// cannot be made.
int32_t RunEncryptWord(CommandArguments& args);
