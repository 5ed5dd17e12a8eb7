#include "vaddaemon/AssetTrash.h"

#include <strings.h>

#include <algorithm>

#include "engine/File.h"
#include "vaddaemon/AssetLibrary.h"

namespace {

constexpr const char* kTrashFolder = "trash";

std::string TrashRoot() { return AssetLibrary::WorkFolder(kTrashFolder); }

std::string TrashEntry(const KUID& kuid) {
    const std::string root = TrashRoot();
    if (root.empty()) return std::string();
    Vek::File::Path entry(root.c_str());
    entry.AddPath(KUID::ToFolderName(kuid).c_str());
    return entry.Str();
}

std::string TrashedFolder(const KUID& kuid, const char* location) {
    const std::string entry = TrashEntry(kuid);
    if (entry.empty()) return std::string();
    Vek::File::Path folder(entry.c_str());
    folder.AddPath(location);
    return folder.Str();
}

bool DeleteIfThere(const std::string& path) {
    if (!Vek::File::Exists(path.c_str())) return true;
    Vek::File::DeleteTree(path.c_str());
    return !Vek::File::Exists(path.c_str());
}

}  // namespace

bool PrepareTrash(const KUID& kuid) {
    const std::string root = TrashRoot();
    const std::string entry = TrashEntry(kuid);
    return !entry.empty() && Vek::File::MakeDirectory(root.c_str()) && DeleteIfThere(entry) &&
           Vek::File::MakeDirectory(entry.c_str());
}

bool MoveToTrash(const KUID& kuid, const char* location) {
    const std::string folder = AssetLibrary::AssetFolder(location, kuid);
    if (folder.empty()) return false;
    if (!Vek::File::Exists(folder.c_str())) return true;
    const std::string trashed = TrashedFolder(kuid, location);
    return !trashed.empty() && Vek::File::Rename(folder.c_str(), trashed.c_str());
}

bool MoveBackFromTrash(const KUID& kuid, const char* location) {
    const std::string folder = AssetLibrary::AssetFolder(location, kuid);
    const std::string trashed = TrashedFolder(kuid, location);
    return !folder.empty() && !trashed.empty() && Vek::File::Exists(trashed.c_str()) &&
           !Vek::File::Exists(folder.c_str()) && Vek::File::Rename(trashed.c_str(), folder.c_str());
}

bool InTrash(const KUID& kuid, const char* location) {
    const std::string trashed = TrashedFolder(kuid, location);
    return !trashed.empty() && Vek::File::Exists(trashed.c_str());
}

bool EmptyTrash(const KUID& kuid) {
    const std::string entry = TrashEntry(kuid);
    return !entry.empty() && DeleteIfThere(entry);
}

void EmptyTrashExcept(const std::vector<std::string>& keep) {
    const std::string root = TrashRoot();
    if (root.empty() || !Vek::File::IsDirectory(root.c_str())) return;
    Vek::File::Path pattern(root.c_str());
    pattern.AddPath("*");
    std::vector<std::string> names;
    Vek::File::Find find;
    if (find.Open(pattern.c_str())) {
        do {
            const std::string name = find.GetName();
            if (name != "." && name != "..") names.push_back(name);
        } while (find.Next());
    }
    for (const std::string& name : names) {
        const bool kept = std::any_of(keep.begin(), keep.end(),
                                      [&](const std::string& other) { return strcasecmp(other.c_str(), name.c_str()) == 0; });
        if (kept) continue;
        Vek::File::Path entry(root.c_str());
        entry.AddPath(name.c_str());
        DeleteIfThere(entry.Str());
    }
}
