#pragma once
// Writing an archive's thumbnail bytes to a file.
#include "engine/PString.h"
#include "foundation/soups/ACSRawData.h"

// Writes the raw bytes to `path` inside the named location (empty: a plain
// path), uncompressed. True when written.
bool ExtractArchiveThumbnail(const RawDataRef& bytes, const Vek::PString& location, const char* path);
