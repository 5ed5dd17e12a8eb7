#include "foundation/files/LocationFiles.h"

#include <climits>
#include <cstdlib>
#include <string>

#include "foundation/files/InstallFolders.h"
#include "foundation/files/PathRules.h"

namespace {

bool IsEmptyText(const char* text) { return !text || text[0] == '\0'; }

// `path` with forward slashes turned into backslashes.
Vek::File::Path Backslashed(const char* path) {
    Vek::File::Path result(path);
    result.ReplaceForwardSlashes();
    return result;
}

// The location's folder joined with `path`, or `path` alone when it is
// absolute and no location is given; empty when neither resolves.
Vek::File::Path FolderPath(const Vek::PString& location, const char* path) {
    Vek::File::Path resolved = Backslashed(path);
    if (location.IsEmpty()) {
        if (!IsAbsolutePath(resolved.c_str())) resolved.Clear();
        return resolved;
    }
    Vek::File::Path folder = GetLocationPath(location);
    if (folder.IsEmpty()) return folder;
    folder.AddPath(resolved.c_str());
    return folder;
}

// True when a component of the (normalised, backslashed) path is "..".
bool HasParentComponent(const Vek::File::Path& path) {
    const std::string& text = path.Str();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        if (text.compare(start, end - start, "..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

std::string RealPath(const std::string& osPath) {
    if (osPath.empty()) return std::string();
    char buffer[PATH_MAX];
    if (!::realpath(osPath.c_str(), buffer)) return std::string();
    return buffer;
}

// True when the real (link-free) path `real` is `realRoot` or lies below it.
bool IsRealPathInside(const std::string& realRoot, const std::string& real) {
    if (realRoot.empty() || real.empty()) return false;
    if (real == realRoot) return true;
    const std::string prefix = realRoot == "/" ? realRoot : realRoot + "/";
    return real.compare(0, prefix.size(), prefix) == 0;
}

// True when the folder holding `target` is, on disk, `root` or a folder below
// it, with every symbolic link on the way followed. The last component of the
// target is not followed: deleting a link removes the link only.
bool ParentStaysInside(const char* root, const char* target) {
    std::string osTarget = Vek::File::ResolveOsPath(target);
    while (osTarget.size() > 1 && osTarget.back() == '/') osTarget.pop_back();
    std::size_t slash = osTarget.rfind('/');
    if (slash == std::string::npos) return false;
    return IsRealPathInside(RealPath(Vek::File::ResolveOsPath(root)),
                            RealPath(slash == 0 ? std::string("/") : osTarget.substr(0, slash)));
}

bool DeleteTreeOrFile(const char* path) {
    return Vek::File::DeleteTree(path) || Vek::File::Unlink(path);
}

bool TreeHasFile(const Vek::PString& location, const Vek::File::Path& folder, int depth) {
    if (depth > kMaxTreeDepth) return false;
    Vek::File::Path pattern = folder;
    pattern.AddPath("*");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str(), location)) return false;
    do {
        if (IsDotOrDotDot(find.GetName())) continue;
        if (!find.IsDirectory()) return true;
        Vek::File::Path child = folder;
        child.AddPath(find.GetName());
        if (TreeHasFile(location, child, depth + 1)) return true;
    } while (find.Next());
    return false;
}

}  // namespace

bool ExistsInRoot(const Vek::PString& location, const char* path) {
    if (!location.IsEmpty()) return Vek::File::Exists(location, Backslashed(path).c_str());
    if (!IsAbsolutePath(path)) return true;
    return Vek::File::Exists(path);
}

bool IsDirectoryInRoot(const Vek::PString& location, const char* path) {
    if (!location.IsEmpty()) return Vek::File::IsDirectory(location, path ? path : "");
    return Vek::File::IsDirectory(path ? path : "");
}

bool IsDirectoryEmptyInRoot(const Vek::PString& location, const char* path) {
    // Joined as a component: "folder" + "*" would list the folder's
    // neighbours whose names begin with its own, the folder among them.
    Vek::File::Path pattern(path);
    pattern.AddPath("*");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str(), location)) return false;
    do {
        if (!IsDotOrDotDot(find.GetName())) return false;
    } while (find.Next());
    return true;
}

bool TreeHasFileInRoot(const Vek::PString& location, const char* path) {
    return TreeHasFile(location, Vek::File::Path(path), 0);
}

bool MakeDirectoryInRoot(const Vek::PString& location, const char* path) {
    Vek::File::Path target = FolderPath(location, path);
    if (target.IsEmpty()) return false;
    return Vek::File::MakeDirectory(target.c_str());
}

bool RenameInRoot(const Vek::PString& location, const char* from, const char* to) {
    Vek::File::Path source = FolderPath(location, from);
    Vek::File::Path destination = FolderPath(location, to);
    if (source.IsEmpty() || destination.IsEmpty()) return false;
    return Vek::File::Rename(source.c_str(), destination.c_str());
}

bool DeleteInRoot(const Vek::PString& location, const char* path) {
    if (IsEmptyText(path)) return false;
    Vek::File::Path target = Backslashed(path);

    if (location.IsEmpty()) {
        if (!IsAbsolutePath(target.c_str())) return false;
        target.Normalise();
        if (HasParentComponent(target) || !IsPathInUserData(target.c_str())) return false;
        Vek::File::Path userData = GetUserDataPath();
        Vek::File::Path relative;
        GetPathBelowRoot(userData.c_str(), target.c_str(), relative);
        if (!relative.IsEmpty() && !ParentStaysInside(userData.c_str(), target.c_str())) return false;
        return DeleteTreeOrFile(target.c_str());
    }

    Vek::File::Path folder = GetLocationPath(location);
    if (folder.IsEmpty() || IsAbsolutePath(target.c_str())) return false;
    target.Normalise();
    if (target.IsEmpty() || target.Str() == "." || HasParentComponent(target)) return false;
    Vek::File::Path full = folder;
    full.AddPath(target.c_str());
    if (!ParentStaysInside(folder.c_str(), full.c_str())) return false;
    return DeleteTreeOrFile(full.c_str());
}

bool ResolvesInsideFolder(const char* root, const char* path) {
    if (IsEmptyText(root) || IsEmptyText(path)) return false;
    return IsRealPathInside(RealPath(Vek::File::ResolveOsPath(root)), RealPath(Vek::File::ResolveOsPath(path)));
}
