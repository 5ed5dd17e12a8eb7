#pragma once
// The `encrypt` command's work: a ".gs" source saved as its packed ".gse"
// twin beside it.
#include <string>

// Packs `sourcePath` (extension "gs", any letter case) into the same path
// with the extension "gse". True when the packed file was written (the
// block is unpacked and compared with the text before it is saved);
// otherwise false with the message to report in `error`:
// "Invalid file path." for an empty path, another extension or a source
// that cannot be read; "Unable to write packed source '<path>'." when the
// source cannot be packed (an empty source has no packed form) or the
// packed file cannot be written.
bool EncryptScriptSource(const char* sourcePath, std::string& error);
