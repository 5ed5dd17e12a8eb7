#pragma once
// File-name routines shared by the crash report and the log-file writer:
// separator clean-up, existence tests, extensions, folder creation and
// unique file names. Paths are UTF-8 texts in the program's form ('\' or
// '/' separators); they resolve through the engine's case-insensitive file
// layer, so a name that differs from an existing one only in case counts as
// taken, as it does on Windows.
#include <string>

// Every '/' and '\' becomes '\'.
std::string NormalisePathSeparators(std::string path);

// True when a file or folder of that name exists.
bool FileExists(const std::string& path);

// The part before, and the part after, the last '.' that follows the last
// separator; without such a dot, the whole path and the empty text.
std::string PathWithoutExtension(const std::string& path);
std::string PathExtension(const std::string& path);

// Makes a folder and every missing folder above it, from the top down.
// False for an empty path and when a part cannot be made (logged); an
// existing folder gives true, an existing file false (errno EEXIST).
bool MakeDirectory(const std::string& path);

// The first free name for `name` in `folder` (empty: the current folder,
// as an absolute path): folder + "/" + name, then the same with "_2", "_3"
// and so on put before the extension ("Vorlex-47059_2.dmp"). The folder is
// made first when it is missing. The result is cut to 259 characters.
std::string MakeUniquePath(const std::string& folder, const std::string& name);
