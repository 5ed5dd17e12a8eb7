// The file service's calls on whole files and folders: existence, folder
// test, make, rename, delete, tree delete, prune and path resolution.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/FileResolve.h"
#include "engine/FileSubst.h"

namespace Vek {

using FileDetail::RootTarget;

namespace {

bool StatFollow(const std::string& osPath, struct stat& info) { return ::stat(osPath.c_str(), &info) == 0; }

// Removes everything inside the open folder `folder`, never following a
// symbolic link: links are unlinked themselves, and sub-folders are entered
// only through openat with O_NOFOLLOW relative to their parent, so the work
// stays below the folder it started in. Goes on after a failure; true when
// everything went.
bool RemoveContents(int folder) {
    int listing = ::dup(folder);
    if (listing < 0) return false;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return false;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    ::closedir(dir);

    bool ok = true;
    for (const std::string& name : names) {
        struct stat info;
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            int child = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                ok = false;
                continue;
            }
            if (!RemoveContents(child)) ok = false;
            ::close(child);
            if (::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0) ok = false;
        } else if (::unlinkat(folder, name.c_str(), 0) != 0) {
            ok = false;
        }
    }
    return ok;
}

// Makes the folders `parts` below the root folder ("/" when `absolute`,
// else the current directory), reusing existing ones found
// case-insensitively. The existing ones are resolved in one pass
// (FileDetail::ResolveExisting), so a deep path costs a few calls per
// folder made, not a resolution of the whole path for each.
bool MakeFolders(bool absolute, const std::vector<std::string>& parts) {
    FileDetail::PathParts path;
    path.absolute = absolute;
    path.parts = parts;
    std::string base;
    const std::size_t existing = FileDetail::ResolveExisting(path, base);
    struct stat info;
    if (existing > 0 && (!StatFollow(base, info) || !S_ISDIR(info.st_mode))) return false;
    for (std::size_t i = existing; i < parts.size(); ++i) {
        base = FileDetail::JoinOs(base, parts[i]);
        if (::mkdir(base.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (!StatFollow(base, info) || !S_ISDIR(info.st_mode)) return false;
    }
    return true;
}

}  // namespace

std::string File::ResolveOsPath(const PString& root, const char* path) {
    try {
        RootTarget target;
        if (!FileDetail::ResolveInRoot(root, path, target) || target.archive) return std::string();
        return target.osPath;
    } catch (...) {
        return std::string();
    }
}

std::string File::ResolveOsPath(const char* path) { return ResolveOsPath(PString(), path); }

bool File::Exists(const char* path) { return Exists(PString(), path); }

bool File::Exists(const PString& root, const char* path) {
    try {
        RootTarget target;
        if (!FileDetail::ResolveInRoot(root, path, target) || target.missing) return false;
        if (target.archive) return target.archive->Exists(target.inner);
        struct stat info;
        return StatFollow(target.osPath, info);
    } catch (...) {
        return false;
    }
}

bool File::IsDirectory(const char* path) { return IsDirectory(PString(), path); }

bool File::IsDirectory(const PString& root, const char* path) {
    try {
        RootTarget target;
        if (!FileDetail::ResolveInRoot(root, path, target) || target.missing) return false;
        if (target.archive) return target.archive->IsDirectory(target.inner);
        struct stat info;
        return StatFollow(target.osPath, info) && S_ISDIR(info.st_mode);
    } catch (...) {
        return false;
    }
}

bool File::MakeDirectory(const char* path) {
    try {
        std::string osPath = ResolveOsPath(path);
        if (osPath.empty()) return false;
        struct stat info;
        if (StatFollow(osPath, info)) return S_ISDIR(info.st_mode);
        if (::mkdir(osPath.c_str(), 0777) == 0) return true;
        return errno == EEXIST && StatFollow(osPath, info) && S_ISDIR(info.st_mode);
    } catch (...) {
        return false;
    }
}

bool File::Rename(const char* from, const char* to) {
    try {
        std::string source = ResolveOsPath(from);
        struct stat sourceInfo;
        if (source.empty() || ::lstat(source.c_str(), &sourceInfo) != 0) return false;

        // The target keeps its last component as written, in its resolved
        // parent folder.
        FileDetail::PathParts targetParts;
        if (!FileDetail::SplitPath(to, targetParts) || targetParts.parts.empty() ||
            targetParts.parts.back() == "..")
            return false;
        const std::string name = targetParts.parts.back();
        targetParts.parts.pop_back();
        const std::string folder = targetParts.parts.empty() && !targetParts.absolute
                                       ? std::string()
                                       : FileDetail::ResolveParts(targetParts);
        const std::string target = FileDetail::JoinOs(folder, name);

        // Never replace: a target that exists in any letter case must be
        // the source itself (a change of case, or no change at all).
        std::string existing;
        if (FileDetail::FindChild(folder, name, existing)) {
            struct stat targetInfo;
            if (::lstat(FileDetail::JoinOs(folder, existing).c_str(), &targetInfo) != 0) return false;
            if (targetInfo.st_dev != sourceInfo.st_dev || targetInfo.st_ino != sourceInfo.st_ino) return false;
            if (existing == name) return true;  // already so named
        }
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno != EINVAL && errno != ENOSYS) return false;
        // A file system without RENAME_NOREPLACE: test, then rename.
        struct stat targetInfo;
        if (::lstat(target.c_str(), &targetInfo) == 0) return false;
        return ::rename(source.c_str(), target.c_str()) == 0;
    } catch (...) {
        return false;
    }
}

bool File::Unlink(const char* path) { return Unlink(PString(), path); }

bool File::Unlink(const PString& root, const char* path) {
    try {
        RootTarget target;
        if (!FileDetail::ResolveInRoot(root, path, target) || target.archive) return false;
        struct stat info;
        if (::lstat(target.osPath.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
        return ::unlink(target.osPath.c_str()) == 0;
    } catch (...) {
        return false;
    }
}

bool File::DeleteTree(const char* path) {
    try {
        FileDetail::PathParts parts;
        if (!FileDetail::SplitPath(path, parts) || parts.parts.empty() || parts.parts.back() == "..") return false;
        const std::string osPath = FileDetail::ResolveParts(parts);
        struct stat info;
        if (::lstat(osPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
        int folder = ::open(osPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0) return false;
        bool ok = RemoveContents(folder);
        ::close(folder);
        return ::rmdir(osPath.c_str()) == 0 && ok;
    } catch (...) {
        return false;
    }
}

bool File::Prune(const char* path) {
    try {
        FileDetail::PathParts parts;
        if (!FileDetail::SplitPath(path, parts) || parts.parts.empty()) return false;
        parts.parts.pop_back();  // the file itself
        std::string folder;
        if (!parts.absolute && !parts.parts.empty() && FileDetail::LookupFolderSubst(parts.parts.front(), folder)) {
            // "root/rest": the root's folder and the folders of rest inside
            // it. After the collapse a ".." can only lead a path, so rest
            // (which follows a name) has none and stays inside the root.
            FileDetail::PathParts whole;
            if (!FileDetail::SplitPath(folder.c_str(), whole)) return false;
            whole.parts.insert(whole.parts.end(), parts.parts.begin() + 1, parts.parts.end());
            return MakeFolders(whole.absolute, whole.parts);
        }
        return MakeFolders(parts.absolute, parts.parts);
    } catch (...) {
        return false;
    }
}

}  // namespace Vek
