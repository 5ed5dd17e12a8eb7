#pragma once
// Text rules for paths and file names that several parts of the program
// share. They look only at the text; nothing here touches the file system.
#include <cstddef>
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/File.h"
#include "engine/PString.h"

// True for a path that names its place without a current folder: one that
// starts with '/' or '\' (this covers the "\\server" form), or a drive form
// whose second character is ':' and third '\' or '/'. A bare drive ("C:")
// is not absolute. A null path is not absolute.
bool IsAbsolutePath(const char* path);

// True for "." and ".." only.
bool IsDotOrDotDot(const char* name);

// True for a path taken from untrusted input that stays inside the folder it
// is joined to: not empty, not absolute (IsAbsolutePath) and without a ".."
// component ('/' and '\' both separate components).
bool IsPathInsideFolder(const char* path);

// Finds the extension to use for `path`. When `extension` already points at
// a non-empty text it is kept (a leading '.' is stepped over) and the result
// is true. Otherwise `extension` is set behind the last '.' of the path,
// searching back from the end without stopping at folder separators (so
// "dir.v2/file" gives "v2/file"); a path without '.' (or no path) sets it to
// the empty text and gives false.
bool GetExtensionText(const char*& extension, const char* path);

// Prefix match: true as soon as the pattern ends, false when the text ends
// first or a character differs. '?' in the pattern matches any one
// character; ASCII letters compare without case, other bytes exactly. An
// empty (or null) pattern always matches.
bool MatchesPrefixNoCase(const char* pattern, const char* text);

// Replaces A-Z by a-z in place up to the first NUL or `size` bytes. True when
// a NUL was met within `size` bytes; otherwise the last byte is set to NUL
// and the result is false (also for a null buffer or a size of 0, which are
// left alone).
bool ToLowerAsciiBounded(char* buffer, std::size_t size);

// Replaces a non-empty string by the interned lower-case copy of its text and
// gives true; an empty string is left alone and gives false.
bool ToLowerAsciiPString(Vek::PString& text);

// True when the name ends with ".texture.txt", compared without case. A name
// of 12 characters or fewer matches only when it is ".texture.txt" itself,
// so "texture.txt" alone does not match.
bool IsTextureTxtFileName(const char* name);

// The program's normalised path form: a non-empty path gets the engine's
// normalisation (".", ".." and doubled separators collapsed), backslash
// separators, lower case and no trailing separator.
void NormalisePath(Vek::File::Path& path);

// True when exactly one bit of `value` is set (2^31 included; 0 is no power
// of two).
bool IsPowerOfTwo(uint32_t value);

// The identifier filter: every character other than 0-9, A-Z, a-z, '_' and
// ' ' becomes '_', then trailing blanks are removed.
Vek::String MakeSafeIdentifier(const char* text);
// The filter applied to the empty text, which gives the empty string.
Vek::String MakeSafeIdentifier();
