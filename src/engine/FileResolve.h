#pragma once
// Path splitting and case-insensitive name resolution shared by the parts of
// the file service (File.cpp, FileFind.cpp, FileServices.cpp, FileSubst.cpp).
// Not for use outside the file service.
#include <string>
#include <vector>

namespace Vek::FileDetail {

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }
inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool EqualsNoCase(const std::string& a, const std::string& b);

// A path taken apart into components, "." and ".." already collapsed as
// text (see File.h for the rules).
struct PathParts {
    bool absolute = false;
    std::vector<std::string> parts;
};

// Splits a path of the plain file system. False for a null or empty path.
bool SplitPath(const char* path, PathParts& out);
// Splits a path inside a root: leading separators are ignored and the result
// is relative; false when ".." would climb above the top. An empty or null
// path is the top itself (no parts).
bool SplitInnerPath(const char* path, PathParts& out);

// The OS form: '/' between components, a leading '/' when absolute, "." for
// a relative path without components.
std::string JoinOs(const PathParts& path);
// Appends one component to an OS path ("" stands for the current directory).
std::string JoinOs(const std::string& base, const std::string& name);
// Joins parts with '/' without any prefix ("" when there are none).
std::string JoinInner(const std::vector<std::string>& parts);

// Looks `name` up in the OS folder `folder` ("" = current directory): the
// exact name when it is there (symbolic links count, even dangling ones),
// else the first name in byte order equal to it under ASCII case folding.
// True and the name on disk in `found` when there is one.
bool FindChild(const std::string& folder, const std::string& name, std::string& found);

// Resolves the leading components that exist: a run that exists as written
// is taken as it is (found with O(log n) lstat calls), and a component
// after it is looked for without regard to case (one folder scan), until a
// component is missing. Returns the number of components resolved; `base`
// gets their OS path ("" or "/" for none).
std::size_t ResolveExisting(const PathParts& path, std::string& base);

// Resolves every existing component case-insensitively (ResolveExisting),
// the rest as written. `missing`, when given, tells whether a component was
// found to be absent (not "..", which is kept as written): the path then
// names nothing, and asking the system about it again is not needed.
std::string ResolveParts(const PathParts& path, bool* missing = nullptr);

}  // namespace Vek::FileDetail
