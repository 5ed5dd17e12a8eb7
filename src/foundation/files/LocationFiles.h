#pragma once
// File and folder operations by absolute path or relative to a named
// location ("local", "editing", "cache", "data" ...).
//
// An empty location means the path stands alone. Two resolutions of a
// location are used, each where stated:
// - the location's folder (GetLocationPath, InstallFolders.h), to which the
//   relative path is appended: make, rename and delete;
// - the engine's root-relative calls, which take the location name as a
//   file-system root registered at start-up: existence, directory test,
//   listing and opening.
// Make, rename, delete and the root-relative existence test first turn
// forward slashes into backslashes. Every operation reports failure as
// false; none logs.
#include "engine/File.h"
#include "engine/PString.h"

// With a location: the engine's root-relative existence test. Without one:
// an absolute path is tested as it is; a relative path counts as existing,
// so that no caller creates or overwrites something it cannot place.
bool ExistsInRoot(const Vek::PString& location, const char* path);

// The engine's directory test, in the location's root (or none).
bool IsDirectoryInRoot(const Vek::PString& location, const char* path);

// True only when the folder can be listed and holds nothing but "." and
// "..": a hidden ".name" entry counts as content, and a folder that cannot
// be listed is not empty.
bool IsDirectoryEmptyInRoot(const Vek::PString& location, const char* path);

// True when a file (anything that is not a folder) lies in the folder or in
// any folder below it. Folders nested deeper than kMaxTreeDepth are not
// looked into.
bool TreeHasFileInRoot(const Vek::PString& location, const char* path);

// Makes one folder: the location's folder joined with `path`, or, without a
// location, an absolute path (a relative one is refused). True when it was
// made or already is a folder.
bool MakeDirectoryInRoot(const Vek::PString& location, const char* path);

// Renames `from` to `to`, both joined with the location's folder, or both
// absolute without a location (otherwise refused).
bool RenameInRoot(const Vek::PString& location, const char* from, const char* to);

// Deletes a folder tree or, when that fails, a single file. With a location
// the path is taken inside the location's folder; without one it must be
// absolute and inside the user data folder (the user data folder itself
// included). The path is normalised first; it is refused when it is empty
// (with a location: when nothing is left of it, as for "."), or when it would
// leave its root through ".." components or through a symbolic link met on
// the way. The last component itself may be a link: the link is removed,
// never what it points at.
bool DeleteInRoot(const Vek::PString& location, const char* path);

// True when `path` names, on disk, the folder `root` or something below it,
// every symbolic link followed (the path's own last component too): a link
// that leads out of `root` is outside. Both are absolute paths; a path that
// does not exist is not inside. The same test keeps DeleteInRoot inside its
// root.
bool ResolvesInsideFolder(const char* root, const char* path);

// How deep the tree walkers (TreeHasFileInRoot, CopyTreeBetweenRoots) go.
constexpr int kMaxTreeDepth = 64;
