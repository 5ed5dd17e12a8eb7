#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/File.h"
#include "engine/FileResolve.h"
#include "engine/FileSubst.h"

namespace Vek {

namespace {

// '*' matches any run of characters, '?' any one; letters match without
// ASCII case.
bool MatchesWildcard(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && FileDetail::FoldAscii(*pattern) == FileDetail::FoldAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
    if (pattern == "*" || pattern == "*.*") return true;
    return MatchesWildcard(pattern.c_str(), name.c_str());
}

uint32_t AttributesOf(const std::string& name, bool isDirectory) {
    uint32_t attributes = 0;
    if (isDirectory) attributes |= File::kAttributeDirectory;
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= File::kAttributeHidden;
    return attributes ? attributes : File::kAttributeNormal;
}

}  // namespace

bool File::Find::Open(const char* pattern) { return Open(pattern, PString()); }

bool File::Find::Open(const char* pattern, const PString& root) {
    Close();
    try {
        if (!pattern) return false;
        const std::string text(pattern);
        const std::size_t cut = text.find_last_of("/\\");
        const std::string folder = cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
        const std::string match = cut == std::string::npos ? text : text.substr(cut + 1);
        if (match.empty()) return false;

        // An empty folder part is the current directory (or the root's top).
        FileDetail::RootTarget target;
        if (!FileDetail::ResolveInRoot(root, folder.empty() && root.IsEmpty() ? "." : folder.c_str(), target))
            return false;

        std::vector<Entry> found;
        if (target.archive) {
            std::vector<FileArchive::Entry> listed;
            if (!target.archive->List(target.inner, listed)) return false;
            for (FileArchive::Entry& item : listed) {
                if (item.name.empty() || item.name == "." || item.name == ".." ||
                    item.name.find_first_of("/\\") != std::string::npos)
                    continue;
                if (!MatchesPattern(match, item.name)) continue;
                found.push_back(Entry{item.name, AttributesOf(item.name, item.isDirectory),
                                      item.isDirectory ? 0 : item.size});
            }
        } else {
            DIR* dir = ::opendir(target.osPath.c_str());
            if (!dir) return false;
            const int dirFd = ::dirfd(dir);
            while (dirent* item = ::readdir(dir)) {
                std::string name(item->d_name);
                if (name == "." || name == ".." || !MatchesPattern(match, name)) continue;
                struct stat info;
                // Links are listed as what they point to; a dangling one as a file.
                if (::fstatat(dirFd, name.c_str(), &info, 0) != 0 &&
                    ::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;  // gone meanwhile
                const bool isDirectory = S_ISDIR(info.st_mode);
                const int64_t size = S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : 0;
                found.push_back(Entry{std::move(name), 0, size});
                found.back().attributes = AttributesOf(found.back().name, isDirectory);
            }
            ::closedir(dir);
        }
        std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });

        for (const char* dot : {".", ".."})
            if (MatchesPattern(match, dot)) m_entries.push_back(Entry{dot, kAttributeDirectory, 0});
        for (Entry& entry : found) m_entries.push_back(std::move(entry));
        m_index = 0;
        return !m_entries.empty();
    } catch (...) {
        Close();
        return false;
    }
}

bool File::Find::Next() {
    if (m_index >= m_entries.size()) return false;
    ++m_index;
    return m_index < m_entries.size();
}

void File::Find::Close() {
    m_entries.clear();
    m_index = 0;
}

const char* File::Find::GetName() const { return m_index < m_entries.size() ? m_entries[m_index].name.c_str() : ""; }

uint32_t File::Find::GetAttributes() const { return m_index < m_entries.size() ? m_entries[m_index].attributes : 0; }

int64_t File::Find::GetSize() const { return m_index < m_entries.size() ? m_entries[m_index].size : 0; }

}  // namespace Vek
