#include "engine/FileResolve.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <string_view>

#include "engine/FolderNameIndex.h"

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
    // Room for a usual path at once: every path the program opens is split.
    out.parts.reserve(8);
    std::size_t i = start;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        std::size_t end = i;
        while (end < text.size() && !IsSeparator(text[end])) ++end;
        if (end == i) break;
        const std::string_view part(text.data() + i, end - i);
        i = end;
        if (part == ".") continue;
        if (part == "..") {
            if (!out.parts.empty() && out.parts.back() != "..") {
                out.parts.pop_back();
            } else if (contained) {
                return false;
            } else if (!rooted) {
                out.parts.emplace_back(part);
            }
            continue;
        }
        out.parts.emplace_back(part);
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
    // Not there as written: another letter case, from the folder's index
    // when it is large (FolderNameIndex.h), else from a scan.
    return FindFoldedName(folder, name, found);
}

namespace {

void AppendComponent(std::string& base, const std::string& name) {
    if (!base.empty() && base.back() != '/') base += '/';
    base += name;
}

// The OS path `base` followed by parts [from, to).
std::string WithParts(const std::string& base, const PathParts& path, std::size_t from, std::size_t to) {
    std::string text = base;
    for (std::size_t i = from; i < to; ++i) AppendComponent(text, path.parts[i]);
    return text;
}

// How many of the parts from `from` on exist as written below the OS
// folder `base`. Those that exist form a run from the first on (nothing
// exists below a component that does not), so a binary search finds the
// end of the run with O(log n) lstat calls instead of one per component.
// Most often only the last component is missing (a file about to be made,
// a name in another letter case), so its folder is tried first.
// `nextAbsent` tells whether the component after the run was found absent
// as written (ENOENT), so that its folder is searched without asking again.
std::size_t ExactRun(const std::string& base, const PathParts& path, std::size_t from, bool& nextAbsent) {
    struct stat info;
    nextAbsent = false;
    const std::size_t count = path.parts.size();
    if (from >= count || ::lstat(WithParts(base, path, from, count).c_str(), &info) == 0) return count;
    bool missingAbsent = errno == ENOENT;
    std::size_t known = from;
    std::size_t missing = count;
    if (count - from >= 2) {
        if (::lstat(WithParts(base, path, from, count - 1).c_str(), &info) == 0) {
            nextAbsent = missingAbsent;
            return count - 1;
        }
        missing = count - 1;
        missingAbsent = errno == ENOENT;
    }
    while (missing - known > 1) {
        const std::size_t middle = known + (missing - known) / 2;
        if (::lstat(WithParts(base, path, from, middle).c_str(), &info) == 0) {
            known = middle;
        } else {
            missing = middle;
            missingAbsent = errno == ENOENT;
        }
    }
    nextAbsent = missingAbsent;
    return known;
}

}  // namespace

std::size_t ResolveExisting(const PathParts& path, std::string& base) {
    base = path.absolute ? "/" : "";
    std::size_t i = 0;
    const std::size_t count = path.parts.size();
    while (i < count) {
        // The run that exists as written is taken as it is (an exact match
        // comes first); only the component after it is looked for without
        // regard to case.
        bool nextAbsent = false;
        const std::size_t exact = ExactRun(base, path, i, nextAbsent);
        for (; i < exact; ++i) AppendComponent(base, path.parts[i]);
        if (i == count) break;
        std::string found;
        if (path.parts[i] == "..") break;
        const bool located =
            nextAbsent ? FindFoldedName(base, path.parts[i], found) : FindChild(base, path.parts[i], found);
        if (!located) break;
        AppendComponent(base, found);
        ++i;
    }
    return i;
}

std::string ResolveParts(const PathParts& path, bool* missing) {
    std::string base;
    const std::size_t resolved = ResolveExisting(path, base);
    if (missing) *missing = resolved < path.parts.size() && path.parts[resolved] != "..";
    for (std::size_t i = resolved; i < path.parts.size(); ++i) AppendComponent(base, path.parts[i]);
    return base.empty() ? "." : base;
}

}  // namespace Vek::FileDetail
