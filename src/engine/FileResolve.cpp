#include "engine/FileResolve.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace Vek::FileDetail {

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

namespace {

// Collects the components of `text` from `start` on, collapsing "." and
// "..". `rooted`: ".." at the top is dropped; `contained`: ".." at the top
// fails; otherwise it is kept.
bool Collect(const std::string& text, std::size_t start, bool rooted, bool contained, PathParts& out) {
    std::size_t i = start;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        std::size_t end = i;
        while (end < text.size() && !IsSeparator(text[end])) ++end;
        if (end == i) break;
        std::string part = text.substr(i, end - i);
        i = end;
        if (part == ".") continue;
        if (part == "..") {
            if (!out.parts.empty() && out.parts.back() != "..") {
                out.parts.pop_back();
            } else if (contained) {
                return false;
            } else if (!rooted) {
                out.parts.push_back(part);
            }
            continue;
        }
        out.parts.push_back(std::move(part));
    }
    return true;
}

}  // namespace

bool SplitPath(const char* path, PathParts& out) {
    out = PathParts();
    if (!path || !*path) return false;
    std::string text(path);
    std::size_t start = 0;
    // A drive form "X:" followed by a separator is an absolute path; the
    // drive itself has no meaning here.
    if (text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
        IsSeparator(text[2]))
        start = 2;
    if (IsSeparator(text[start])) out.absolute = true;
    return Collect(text, start, out.absolute, false, out);
}

bool SplitInnerPath(const char* path, PathParts& out) {
    out = PathParts();
    if (!path) return true;
    return Collect(std::string(path), 0, false, true, out);
}

std::string JoinOs(const PathParts& path) {
    std::string text = path.absolute ? "/" : "";
    for (std::size_t i = 0; i < path.parts.size(); ++i) {
        if (i) text += '/';
        text += path.parts[i];
    }
    if (text.empty()) text = ".";
    return text;
}

std::string JoinOs(const std::string& base, const std::string& name) {
    if (base.empty()) return name;
    if (base.back() == '/') return base + name;
    return base + "/" + name;
}

std::string JoinInner(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) text += '/';
        text += parts[i];
    }
    return text;
}

bool FindChild(const std::string& folder, const std::string& name, std::string& found) {
    struct stat info;
    if (::lstat(JoinOs(folder, name).c_str(), &info) == 0) {
        found = name;
        return true;
    }
    if (errno != ENOENT) return false;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    bool any = false;
    while (dirent* entry = ::readdir(dir)) {
        const char* candidate = entry->d_name;
        if (std::strcmp(candidate, ".") == 0 || std::strcmp(candidate, "..") == 0) continue;
        if (std::strlen(candidate) != name.size()) continue;
        std::string text(candidate);
        if (!EqualsNoCase(text, name)) continue;
        if (!any || text < found) found = std::move(text);
        any = true;
    }
    ::closedir(dir);
    return any;
}

std::string ResolveParts(const PathParts& path) {
    std::string whole = JoinOs(path);
    struct stat info;
    if (::lstat(whole.c_str(), &info) == 0) return whole;  // every component exact

    std::string base = path.absolute ? "/" : "";
    bool resolving = true;
    for (const std::string& part : path.parts) {
        std::string name = part;
        if (resolving && part != "..") {
            std::string found;
            if (FindChild(base, part, found))
                name = found;
            else
                resolving = false;
        }
        base = JoinOs(base, name);
    }
    return base.empty() ? "." : base;
}

}  // namespace Vek::FileDetail
