#pragma once
// The compiled script libraries shipped with the installation, in
// I + "prebuilt" + "libraries" (GetShippedLibrariesFolderPath). The user's
// libraries folder U + "libraries" is where the script system finds them;
// a user who deletes UserData to start afresh loses them there, so start-up
// copies each shipped library that the folder lacks back into it.
#include "engine/File.h"

// Copies every file directly in `shipped` (absolute) whose name, ignoring
// letter case, is not in `libraries` (absolute) yet. A file of the same
// name is never replaced, and subfolders are not copied. Each copy is
// written under a temporary name in `libraries` and renamed to its own
// name, so that no half-copied library is ever found under it. Returns the
// number of libraries copied; a shipped folder that does not exist gives 0,
// and a copy that fails is left out without a report.
int CopyMissingShippedLibraries(const Vek::File::Path& shipped, const Vek::File::Path& libraries);
