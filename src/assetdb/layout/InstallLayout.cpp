#include "assetdb/layout/InstallLayout.h"

#include <fcntl.h>

#include <climits>
#include <initializer_list>
#include <string>
#include <unistd.h>

#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "foundation/log/FatalError.h"

namespace {

// `base` joined with each of `components`; empty when `base` is.
Vek::File::Path Below(Vek::File::Path base, std::initializer_list<const char*> components) {
    if (base.IsEmpty()) return base;
    for (const char* component : components) base.AddPath(component);
    return base;
}

}  // namespace

bool SetInstallationPath(const char* path) {
    Vek::File::Path installation(path);
    NormalisePath(installation);
    if (installation.IsEmpty()) FatalError("Unable to determine application installation path.");

    SetInstallationFolders(installation.c_str());
    Vek::File::MakeDirectory(GetUserDataPath().c_str());

    if (!CheckUserDataWritable()) {
        SetInstallationFolders(nullptr);
        FatalError("Unable to acquire write access to UserData folder.");
    }
    return true;
}

bool CheckUserDataWritable() {
    // Asked of the kernel rather than tried with a temporary file: making
    // and deleting a file, with the name look-ups around it, was a tenth of
    // every start's time.
    const Vek::File::Path userData = GetUserDataPath();
    if (userData.IsEmpty() || !Vek::File::IsDirectory(userData.c_str())) return false;
    const std::string folder = Vek::File::ResolveOsPath(userData.c_str());
    return !folder.empty() && ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool GetModulePath(Vek::File::Path& path) {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return false;
    std::string text(buffer, static_cast<std::size_t>(length));
    // A program replaced on disk while it runs reads back with this suffix.
    static constexpr char kDeleted[] = " (deleted)";
    static constexpr std::size_t kDeletedLength = sizeof kDeleted - 1;
    if (text.size() > kDeletedLength && text.compare(text.size() - kDeletedLength, kDeletedLength, kDeleted) == 0)
        text.resize(text.size() - kDeletedLength);
    path = text;
    return true;
}

Vek::File::Path GetDaemonProgramPath() { return Below(GetInstallationPath(), {"bin", "vaddaemon"}); }

Vek::File::Path GetPluginsFolderPath() { return Below(GetInstallationPath(), {"bin", "plugins"}); }

Vek::File::Path GetBuiltinFolderPath() { return Below(GetInstallationPath(), {"builtin"}); }

Vek::File::Path GetPrebuiltFolderPath() { return Below(GetInstallationPath(), {"prebuilt"}); }

Vek::File::Path GetShippedLibrariesFolderPath() { return Below(GetInstallationPath(), {"prebuilt", "libraries"}); }

Vek::File::Path GetScriptsFolderPath() { return Below(GetInstallationPath(), {"scripts"}); }

Vek::File::Path GetDatabasePath() { return Below(GetUserDataPath(), {"assets.vdx"}); }

Vek::File::Path GetCacheFolderPath() { return Below(GetUserDataPath(), {"cache"}); }

Vek::File::Path GetLibraryCacheFolderPath() { return Below(GetUserDataPath(), {"cache", "libraries"}); }

Vek::File::Path GetUserLibrariesFolderPath() { return Below(GetUserDataPath(), {"libraries"}); }

Vek::File::Path GetScriptCacheFolder(const KUID& asset) {
    Vek::File::Path folder = GetLibraryCacheFolderPath();
    if (folder.IsEmpty()) return folder;
    if (!Vek::File::IsDirectory(folder.c_str())) Vek::File::MakeDirectory(folder.c_str());
    folder.AddPath(asset.ToFolderName().c_str());
    return folder;
}
