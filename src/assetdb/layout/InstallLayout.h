#pragma once
// Where everything lies on disk. Two process-wide folders, the installation
// folder I and the user data folder U = I + "UserData", are set once at
// start-up (SetInstallationPath); every other folder the program uses is
// derived from them. The folders themselves and the location rules live in
// foundation/files/InstallFolders.h, included here, because the file
// helpers of the foundation resolve locations through them.
//
// Every getter returns a new path, empty while the folder it is derived from
// is unknown; callers treat an empty path as "not available". Paths are in
// the normalised form (lower case, backslashes, no trailing separator) apart
// from the names joined to them, and resolve through the engine's
// case-insensitive file layer.
#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/kuid/KUID.h"

// Sets I from `path` (normalised: lower case, backslashes, no trailing
// separator), derives U, makes the folder U (one level) and proves that it
// is writable (CheckUserDataWritable). Returns true. Ends the process with a
// fatal error when the path is empty ("Unable to determine application
// installation path.") or when U is not writable ("Unable to acquire write
// access to UserData folder.", after clearing both folders).
bool SetInstallationPath(const char* path);

// The write test of SetInstallationPath: U resolves to a folder in which
// this process may make and delete files (the kernel's access check with the
// effective ids, which sees permissions, access lists and read-only mounts).
bool CheckUserDataWritable();

// The full path of the running program file, as the system reports it
// (/proc/self/exe). False when it cannot be read.
bool GetModulePath(Vek::File::Path& path);

// I + "bin" + "vaddaemon": the asset-database daemon.
Vek::File::Path GetDaemonProgramPath();
// I + "bin" + "plugins": native script plug-in libraries.
Vek::File::Path GetPluginsFolderPath();
// I + "builtin": built-in assets.
Vek::File::Path GetBuiltinFolderPath();
// I + "prebuilt": prebuilt content.
Vek::File::Path GetPrebuiltFolderPath();
// I + "prebuilt" + "libraries": the compiled shared script libraries shipped
// with the installation (assetdb/layout/ShippedLibraries.h).
Vek::File::Path GetShippedLibrariesFolderPath();
// I + "scripts": shared script sources, the file-system root "scripts".
Vek::File::Path GetScriptsFolderPath();
// U + "assets.vdx": the asset database file named to the daemon.
Vek::File::Path GetDatabasePath();
// U + "cache": the location "cache".
Vek::File::Path GetCacheFolderPath();
// U + "cache" + "libraries": compiled script libraries.
Vek::File::Path GetLibraryCacheFolderPath();
// U + "libraries": shared script libraries, the file-system root "libraries".
Vek::File::Path GetUserLibrariesFolderPath();

// The compiled-script folder of one asset: U + "cache" + "libraries", made
// when missing (one level), joined with the asset's folder name
// (KUID::ToFolderName), which is not made. Empty while U is unknown.
Vek::File::Path GetScriptCacheFolder(const KUID& asset);
