#include "assetdb/fpx/ExtractArchiveThumbnail.h"

#include "assetdb/archives/ArchiveExtraction.h"

bool ExtractArchiveThumbnail(const RawDataRef& bytes, const Vek::PString& location, const char* path) {
    Vek::PString error;
    // An empty storage form writes the bytes as they are.
    ExtractArchiveFile(error, bytes, location, path, Vek::PString());
    return error.IsEmpty();
}
