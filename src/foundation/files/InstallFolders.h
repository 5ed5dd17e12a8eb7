#pragma once
// The two process-wide folders that every asset location resolves against:
// the installation folder I and the user data folder U = I + "UserData".
//
// The install layout (assetdb/layout/InstallLayout.h) sets them once at
// start-up, after checking that U is writable; the file helpers of this
// folder read them. Until then both are empty, every path below gives the
// empty path and no path counts as user data.
//
// I is kept in the normalised form (lower case, backslashes, no trailing
// separator) and resolves through the engine's case-insensitive layer. U is
// I joined with "UserData" as written, so the folder the program creates
// there is named "UserData".
#include "engine/File.h"
#include "engine/PString.h"

// Stores `installationPath` as I, taken as it is (the caller normalises it),
// and derives U from it. An empty path clears both.
void SetInstallationFolders(const char* installationPath);

// Copies of I and U; empty while unknown.
Vek::File::Path GetInstallationPath();
Vek::File::Path GetUserDataPath();

// True for the six locations that lie in U: "local", "original", "backups",
// "editing", "cache" and "settings". Names compare exactly, case included.
bool IsUserLocation(const Vek::PString& location);

// The folder of a location: U or I (by IsUserLocation) joined with the
// location name; empty while that folder is unknown.
Vek::File::Path GetLocationPath(const Vek::PString& location);

// Whether `path` is `root` itself or lies below it, compared in the
// normalised form (so without regard to case or slash direction, and with
// ".." collapsed). True with `relative` set to the rest below the root
// (empty for the root itself, else normalised). False with `relative`
// emptied, except that a path that does not even begin with the root leaves
// `relative` as it was.
bool GetPathBelowRoot(const char* root, const char* path, Vek::File::Path& relative);

// True when `path` is U or lies inside it (GetPathBelowRoot); false while the
// installation folder is unknown.
bool IsPathInUserData(const char* path);
