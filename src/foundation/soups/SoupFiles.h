#pragma once
// Loading and saving soups by file extension: "txt" is the text form,
// "chump", "cdp" and "cdp2" the binary form. Extensions compare without
// regard to letter case (SoupExtensionEquals).
//
// `root` is a location name of the file service ("cache", "data", ...), or
// empty for a plain path. `extension` may be null or empty, in which case it
// is the text after the last '.' of the path; a leading '.' of a given one
// is skipped.
#include <string>

#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

// Opens the file for reading and reads it in the form of its extension.
// False when the file cannot be opened or the extension is none of the four
// (the handle is then unchanged). Otherwise true, whatever the reader found:
// a damaged or empty file gives a null or partial soup, so callers that need
// content check the handle.
bool LoadSoupFile(SoupHandle& soup, const Vek::PString& root, const char* path, const char* extension = nullptr);

// Writes the soup in the form of the extension into a temporary file
// beside the target and renames it over the target when the whole soup is
// in it, so a save that fails leaves an earlier file as it was (a device or
// a pipe, which cannot be replaced, is written as it is). False for an
// unknown extension (nothing is touched), a target that cannot be placed or
// replaced, a write that failed (a full disk, a file-size limit) and a soup
// the writer refuses (nested deeper than the readers take back): the
// caller must not take the soup as saved then.
bool SaveSoupFile(const SoupHandle& soup, const Vek::PString& root, const char* path,
                  const char* extension = nullptr);

// Loads a text-form soup (whatever the name's extension) that its owner
// rewrites through a twin: the same name with the extension replaced by
// "tmp".
// 1. When the file exists and loads: the twin is deleted; true.
// 2. Else, when the twin exists and loads: it is renamed to the file's name
//    (unless a file of that name exists that could not be read, which is
//    left alone); true.
// 3. Else false.
// A file or twin that cannot be opened is never deleted: it may belong to
// someone else.
bool LoadSoupFileRecovering(SoupHandle& soup, const Vek::PString& root, const char* name);

// The "tmp" twin of a file name.
std::string SoupTwinName(const char* name);

// Extension equality: same length, and each pair of bytes equal after
// folding: A-Z and a-z fold to 1-26, bytes 0x00-0x1F to 0xFF, others to
// themselves.
bool SoupExtensionEquals(const char* a, const char* b);
