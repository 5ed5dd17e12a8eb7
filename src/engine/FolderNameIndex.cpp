#include "engine/FolderNameIndex.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/FileResolve.h"

namespace Vek::FileDetail {

namespace {

std::string Folded(const char* name, std::size_t length) {
    std::string text(name, length);
    for (char& c : text) c = FoldAscii(c);
    return text;
}

struct FolderKey {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderKey& other) const { return device == other.device && inode == other.inode; }
};

struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(key.inode) * 1000003u ^
                                          static_cast<std::uint64_t>(key.device));
    }
};

// The names of one watched folder: each folded name with the names on disk
// that fold to it (nearly always one).
struct FolderIndex {
    FolderKey key;
    std::unordered_map<std::string, std::vector<std::string>> names;
    std::uint64_t lastUse = 0;

    void Add(const char* name) {
        std::vector<std::string>& same = names[Folded(name, std::strlen(name))];
        for (const std::string& known : same)
            if (known == name) return;
        same.emplace_back(name);
    }
    void Remove(const char* name) {
        auto it = names.find(Folded(name, std::strlen(name)));
        if (it == names.end()) return;
        std::vector<std::string>& same = it->second;
        for (std::size_t i = 0; i < same.size(); ++i) {
            if (same[i] != name) continue;
            same.erase(same.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        if (same.empty()) names.erase(it);
    }
    bool Find(const std::string& name, std::string& found) const {
        auto it = names.find(Folded(name.data(), name.size()));
        if (it == names.end() || it->second.empty()) return false;
        const std::string* first = &it->second.front();
        for (const std::string& candidate : it->second)
            if (candidate < *first) first = &candidate;
        found = *first;
        return true;
    }
};

constexpr std::uint32_t kWatchedEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

class FolderIndexes {
public:
    bool Find(const std::string& folder, const std::string& name, std::string& found) {
        std::lock_guard<std::mutex> hold(mutex_);
        const bool usable = Usable();
        FolderKey key;
        if (usable) {
            Drain();
            struct stat info;
            if (::stat(folder.empty() ? "." : folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
            key = FolderKey{info.st_dev, info.st_ino};
            auto watch = byFolder_.find(key);
            if (watch != byFolder_.end()) {
                FolderIndex& index = byWatch_.at(watch->second);
                index.lastUse = ++clock_;
                return index.Find(name, found);
            }
        }
        return Scan(folder, name, found, usable, key);
    }

    std::size_t Scans() {
        std::lock_guard<std::mutex> hold(mutex_);
        return scans_;
    }

private:
    // The inotify instance of this process, made on first use. A child
    // made by fork shares its parent's instance and must not read its
    // events, so it scans.
    bool Usable() {
        if (owner_ != 0) return owner_ == ::getpid() && fd_ >= 0;
        owner_ = ::getpid();
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        return fd_ >= 0;
    }

    // Applies every queued event to the indexes.
    void Drain() {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) return;  // EAGAIN: nothing more queued
            std::size_t at = 0;
            while (at + sizeof(inotify_event) <= static_cast<std::size_t>(got)) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += sizeof(inotify_event) + event->len;
                Apply(*event);
            }
        }
    }

    void Apply(const inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) {
            DropAll();
            return;
        }
        auto it = byWatch_.find(event.wd);
        if (it == byWatch_.end()) return;
        if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) {
            Drop(it, !(event.mask & IN_IGNORED));
            return;
        }
        if (event.len == 0) return;  // IN_MOVE_SELF: the same folder under another path
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) it->second.Add(event.name);
        if (event.mask & (IN_DELETE | IN_MOVED_FROM)) it->second.Remove(event.name);
    }

    void Drop(std::unordered_map<int, FolderIndex>::iterator it, bool removeWatch) {
        if (removeWatch) ::inotify_rm_watch(fd_, it->first);
        byFolder_.erase(it->second.key);
        byWatch_.erase(it);
    }

    void DropAll() {
        while (!byWatch_.empty()) Drop(byWatch_.begin(), true);
    }

    void MakeRoom() {
        while (byWatch_.size() >= kIndexedFolderLimit) {
            auto oldest = byWatch_.begin();
            for (auto it = byWatch_.begin(); it != byWatch_.end(); ++it)
                if (it->second.lastUse < oldest->second.lastUse) oldest = it;
            Drop(oldest, true);
        }
    }

    // Reads the folder for `name`. With inotify usable, a folder found to
    // be large keeps its names: the watch is set before the names are
    // read, so a change during the reading arrives as an event afterwards
    // and the index ends up as the folder is.
    bool Scan(const std::string& folder, const std::string& name, std::string& found, bool usable,
              const FolderKey& key) {
        const std::string osFolder = folder.empty() ? "." : folder;
        DIR* dir = ::opendir(osFolder.c_str());
        if (!dir) return false;
        ++scans_;
        std::size_t entries = 0;
        bool any = false;
        while (dirent* entry = ::readdir(dir)) {
            const char* candidate = entry->d_name;
            if (std::strcmp(candidate, ".") == 0 || std::strcmp(candidate, "..") == 0) continue;
            ++entries;
            if (std::strlen(candidate) != name.size()) continue;
            std::string text(candidate);
            if (!EqualsNoCase(text, name)) continue;
            if (!any || text < found) found = std::move(text);
            any = true;
        }
        ::closedir(dir);
        if (usable && entries >= kIndexedFolderSize) Keep(osFolder, key, entries, name, found, any);
        return any;
    }

    void Keep(const std::string& osFolder, const FolderKey& key, std::size_t entries,
              const std::string& name, std::string& found, bool& any) {
        MakeRoom();
        const int wd = ::inotify_add_watch(fd_, osFolder.c_str(), kWatchedEvents);
        if (wd < 0) return;  // no watch left: this folder is scanned
        struct stat info;
        if (::stat(osFolder.c_str(), &info) != 0 || !(FolderKey{info.st_dev, info.st_ino} == key) ||
            byWatch_.count(wd)) {
            // Replaced while being read, or already watched under another
            // name (the watch then belongs to that index).
            if (!byWatch_.count(wd)) ::inotify_rm_watch(fd_, wd);
            return;
        }
        // Read the names again now that the watch stands: what the first
        // reading saw may have changed before the watch was set.
        DIR* dir = ::opendir(osFolder.c_str());
        if (!dir) {
            ::inotify_rm_watch(fd_, wd);
            return;
        }
        FolderIndex index;
        index.key = key;
        index.lastUse = ++clock_;
        index.names.reserve(entries);
        while (dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) index.Add(entry->d_name);
        ::closedir(dir);
        ++scans_;
        byFolder_[key] = wd;
        byWatch_.emplace(wd, std::move(index));
        // Events queued during the second reading bring the index up to
        // date; the answer is the index's.
        Drain();
        auto it = byWatch_.find(wd);
        if (it != byWatch_.end()) any = it->second.Find(name, found);
    }

    std::mutex mutex_;
    pid_t owner_ = 0;
    int fd_ = -1;
    std::unordered_map<int, FolderIndex> byWatch_;
    std::unordered_map<FolderKey, int, FolderKeyHash> byFolder_;
    std::uint64_t clock_ = 0;
    std::size_t scans_ = 0;
};

FolderIndexes& Indexes() {
    static FolderIndexes* indexes = new FolderIndexes();  // never destroyed: used until the process ends
    return *indexes;
}

}  // namespace

bool FindFoldedName(const std::string& folder, const std::string& name, std::string& found) {
    return Indexes().Find(folder, name, found);
}

std::size_t FolderScanCount() { return Indexes().Scans(); }

}  // namespace Vek::FileDetail
