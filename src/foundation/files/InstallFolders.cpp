#include "foundation/files/InstallFolders.h"

#include <mutex>

#include "foundation/files/PathRules.h"

namespace {

struct Folders {
    std::mutex lock;
    Vek::File::Path installation;
    Vek::File::Path userData;
};

// Never destroyed: paths may be asked for while static objects are torn down.
Folders& State() {
    static Folders* folders = new Folders();
    return *folders;
}

}  // namespace

void SetInstallationFolders(const char* installationPath) {
    Folders& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.installation = installationPath;
    s.userData.Clear();
    if (!s.installation.IsEmpty()) {
        s.userData = s.installation;
        s.userData.AddPath("UserData");
    }
}

Vek::File::Path GetInstallationPath() {
    Folders& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.installation;
}

Vek::File::Path GetUserDataPath() {
    Folders& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.userData;
}

bool IsUserLocation(const Vek::PString& location) {
    static const Vek::PString* const names = new Vek::PString[6]{"local", "original", "backups",
                                                                 "editing", "cache", "settings"};
    for (int i = 0; i < 6; ++i)
        if (location == names[i]) return true;
    return false;
}

Vek::File::Path GetLocationPath(const Vek::PString& location) {
    Vek::File::Path folder = IsUserLocation(location) ? GetUserDataPath() : GetInstallationPath();
    if (folder.IsEmpty()) return folder;
    folder.AddPath(location.c_str());
    return folder;
}

bool GetPathBelowRoot(const char* root, const char* path, Vek::File::Path& relative) {
    if (!root || !path || root[0] == '\0' || path[0] == '\0') {
        relative.Clear();
        return false;
    }
    Vek::File::Path normalRoot(root);
    Vek::File::Path normalPath(path);
    NormalisePath(normalRoot);
    NormalisePath(normalPath);
    const std::string& r = normalRoot.Str();
    const std::string& p = normalPath.Str();

    if (p.compare(0, r.size(), r) != 0) return false;
    if (p.size() == r.size()) {
        relative.Clear();
        return true;
    }
    // Below the root only at a component boundary: "\a\userdata2" is not
    // inside "\a\userdata". A root that is a bare separator already ends in one.
    std::string rootWithSeparator = r;
    if (rootWithSeparator.back() != '\\') rootWithSeparator += '\\';
    if (p.compare(0, rootWithSeparator.size(), rootWithSeparator) != 0) {
        relative.Clear();
        return false;
    }
    Vek::File::Path rest = normalPath;
    if (!rest.MakeRelativeTo(normalRoot.c_str())) {
        relative.Clear();
        return false;
    }
    relative = rest;
    return true;
}

bool IsPathInUserData(const char* path) {
    Vek::File::Path userData = GetUserDataPath();
    if (userData.IsEmpty()) return false;
    Vek::File::Path relative;
    return GetPathBelowRoot(userData.c_str(), path, relative);
}
