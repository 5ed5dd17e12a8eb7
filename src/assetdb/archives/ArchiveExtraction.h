#pragma once
// Writing an archive entry's "files" tree back into an asset folder,
// undoing the entry's storage form.
//
// A target is a location name plus a path inside it (the pair the daemon's
// asset handles give); an empty location means a plain path. Every error is
// an interned text, empty for success.
#include "engine/PString.h"
#include "foundation/soups/ACSRawData.h"
#include "foundation/soups/SoupHandle.h"

// Makes `folder` (its result is not checked) and writes into it every tag
// of `files` in order:
//  - a name that IsArchiveFileNameValid rejects is skipped silently;
//  - a container is a subfolder, written by the same steps when its path
//    below `folder` passes IsArchivePathValid, else skipped silently;
//  - raw bytes are a file, written with ExtractArchiveFile when its
//    extension passes IsArchiveFileTypeAllowed, else skipped silently;
//  - any other kind is "Unknown data type encountered. Content package may
//    be damaged".
// Extraction never stops at a failure: files already written stay, and the
// error (also returned) is the last one met.
const Vek::PString& ExtractArchiveFolder(Vek::PString& error, const SoupHandle& files, const Vek::PString& location,
                                         const char* folder, const Vek::PString& compression);

// Writes one file in the storage form `compression` names:
//  - missing or empty (raw): the bytes as they are. A file that does not
//    open or takes fewer bytes than given: "Unable to write content files to
//    disk", followed by ": " and the system's cause when there is one ("No
//    space left on device").
//  - "filepath": the bytes hold a location name (interned-string form) and a
//    path (plain-string form) of a file that already exists, which is
//    copied. Bytes that do not read as these two: "Internal error while
//    copying local file.". Only the asset locations "local", "original",
//    "backups", "editing" and "data" with a relative path without ".."
//    components are copied from; any other reference, or a copy that fails:
//    "Failed to copy local file.".
//  - "LZSS": four bytes the reader skips, then a stream of the engine's
//    LZSS codec. Fewer than 4 bytes (no file is made) or a damaged stream
//    (the part written stays): "Failed to decompress data. Content package
//    may be damaged". A file that does not open, or a decoded write that
//    falls short (a full disk): "Unable to write content files to disk" with
//    the cause as for raw bytes, not the damage message.
//  - any other text: "Unknown compression format.", nothing is written.
const Vek::PString& ExtractArchiveFile(Vek::PString& error, const RawDataRef& bytes, const Vek::PString& location,
                                       const char* path, const Vek::PString& compression);
