#pragma once
// The case-insensitive name look-up of one folder, for the file service's
// resolution (FileResolve.cpp). Not for use outside the file service.
//
// A name that does not exist as written is looked for under ASCII case
// folding. A small folder is scanned each time. A large one (kIndexedFolderSize
// entries or more at a scan) gets an index of its names, kept current by
// inotify events, so that asking for an absent name in a folder of 100,000
// entries costs a stat and a hash look-up instead of a scan. Changes made by
// any process are seen: the events are queued by the kernel before the call
// that made the change returns, and they are read before every look-up. When
// inotify is not available (no instance or watch left, a child after fork) or
// its queue overflows, the indexes are dropped and folders are scanned.
#include <cstddef>
#include <string>

namespace Vek::FileDetail {

// Folders with at least this many entries are indexed.
inline constexpr std::size_t kIndexedFolderSize = 256;
// At most this many folders are indexed at once; the one asked for longest
// ago makes way.
inline constexpr std::size_t kIndexedFolderLimit = 32;

// The first name in byte order equal to `name` under ASCII case folding in
// the OS folder `folder` ("" = current directory). False when there is none
// or the folder cannot be read.
bool FindFoldedName(const std::string& folder, const std::string& name, std::string& found);

// How many folder scans FindFoldedName has made in this process (tests show
// the bound on scans with it).
std::size_t FolderScanCount();

}  // namespace Vek::FileDetail
