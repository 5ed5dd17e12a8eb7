#pragma once
// Copying files and folder trees, each side given as a location and a path
// (an empty location: the path stands alone). Both sides open through the
// engine's root-relative calls.
#include <cstdint>

#include "engine/PString.h"

class TStream;

// Copies one file. The source opens for reading (mode 16) and the
// destination for writing (mode 769: created or truncated). The bytes move in
// slices of at most 32768 bytes through one block. False when either side
// does not open, when both name the same file, or when fewer bytes are read
// or written than the source holds; a destination left incomplete is
// removed. An empty source gives an empty destination and true.
bool CopyFileBetweenRoots(const Vek::PString& fromLocation, const char* fromPath, const Vek::PString& toLocation,
                          const char* toPath);

// Copies a file, or a folder with everything in it. False, with nothing
// changed, when the source does not exist, or when the destination exists
// and is not an empty folder receiving a folder. A folder's entries are
// copied one by one: a failed entry makes the result false but the others
// are still copied. Folders nested deeper than kMaxTreeDepth
// (LocationFiles.h) are not copied and make the result false.
bool CopyTreeBetweenRoots(const Vek::PString& fromLocation, const char* fromPath, const Vek::PString& toLocation,
                          const char* toPath);

// The copy loop of CopyFileBetweenRoots: moves `length` bytes from the
// logical position of `from` (through its read buffer) to `to` (after
// dropping its read-ahead), in slices of at most kCopySliceSize bytes. True
// when every slice was read and written whole; the streams' sticky errors
// are not looked at, since a file stream sets one at every end of file.
bool CopyStreamBytes(TStream& from, TStream& to, int64_t length);

constexpr int32_t kCopySliceSize = 32768;
