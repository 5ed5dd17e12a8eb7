#include "engine/FileSubst.h"

#include <map>
#include <mutex>
#include <utility>

#include "engine/File.h"
#include "engine/FileResolve.h"

namespace Vek {

namespace {

struct Substitution {
    std::string source;                    // the folder or archive file as given
    std::shared_ptr<FileArchive> archive;  // null for a folder
};

// The process-wide table. It is never destroyed, so that threads still
// running while the process exits find it intact.
struct SubstTable {
    std::mutex lock;
    std::map<std::string, Substitution> entries;
    FileArchive::Opener opener;
};

SubstTable& Table() {
    static SubstTable* table = new SubstTable;
    return *table;
}

bool Lookup(const std::string& name, Substitution& out) {
    SubstTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    auto it = table.entries.find(name);
    if (it == table.entries.end()) return false;
    out = it->second;
    return true;
}

}  // namespace

void FileArchive::SetOpener(Opener opener) {
    SubstTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    table.opener = std::move(opener);
}

bool File::Subst(const PString& name, const char* folder, bool isFolder) {
    try {
        if (name.IsEmpty()) return false;
        SubstTable& table = Table();
        const std::string key(name.c_str());
        if (!folder || !*folder) {
            std::lock_guard<std::mutex> hold(table.lock);
            table.entries.erase(key);
            return true;
        }
        Substitution entry;
        entry.source = folder;
        if (!isFolder) {
            FileArchive::Opener opener;
            {
                std::lock_guard<std::mutex> hold(table.lock);
                opener = table.opener;
            }
            if (!opener) return false;
            std::string osPath = ResolveOsPath(folder);
            if (osPath.empty()) return false;
            entry.archive = opener(osPath);  // outside the lock: it reads the file
            if (!entry.archive) return false;
        }
        std::lock_guard<std::mutex> hold(table.lock);
        table.entries[key] = std::move(entry);
        return true;
    } catch (...) {
        return false;
    }
}

bool File::SubstArchive(const PString& name, std::shared_ptr<FileArchive> archive) {
    try {
        if (name.IsEmpty()) return false;
        SubstTable& table = Table();
        std::lock_guard<std::mutex> hold(table.lock);
        if (!archive) {
            table.entries.erase(name.c_str());
            return true;
        }
        Substitution& entry = table.entries[name.c_str()];
        entry.source.clear();
        entry.archive = std::move(archive);
        return true;
    } catch (...) {
        return false;
    }
}

std::string File::GetSubst(const PString& name) {
    try {
        Substitution entry;
        if (name.IsEmpty() || !Lookup(name.c_str(), entry)) return std::string();
        return entry.source;
    } catch (...) {
        return std::string();
    }
}

namespace FileDetail {

bool ResolveInRoot(const PString& root, const char* path, RootTarget& out) {
    out = RootTarget();
    if (root.IsEmpty()) {
        PathParts parts;
        if (!SplitPath(path, parts)) return false;
        out.osPath = ResolveParts(parts, &out.missing);
        return true;
    }
    Substitution entry;
    if (!Lookup(root.c_str(), entry)) return false;
    PathParts inner;
    if (!SplitInnerPath(path, inner)) return false;
    if (entry.archive) {
        out.archive = std::move(entry.archive);
        out.inner = JoinInner(inner.parts);
        return true;
    }
    // The folder is split on its own first, so the inner path (already free
    // of climbing "..") cannot reach above it.
    PathParts whole;
    if (!SplitPath(entry.source.c_str(), whole)) return false;
    for (std::string& part : inner.parts) whole.parts.push_back(std::move(part));
    out.osPath = ResolveParts(whole, &out.missing);
    return true;
}

bool LookupFolderSubst(const std::string& name, std::string& folder) {
    Substitution entry;
    if (name.empty() || !Lookup(name, entry) || entry.archive) return false;
    folder = entry.source;
    return true;
}

}  // namespace FileDetail

}  // namespace Vek
