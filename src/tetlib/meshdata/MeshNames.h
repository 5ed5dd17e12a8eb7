#pragma once
// The cuts that turn a mesh or texture path into the name a finding shows.
// Each is guarded: a path shorter than the cut, or with fewer components,
// is not cut past its end.
#include <cstddef>
#include <string>

namespace TETLib {

// `path` without its first `count` characters; the whole path when it is
// not longer than that.
std::string WithoutPrefix(const std::string& path, std::size_t count);
// `path` without its first `components` components (separated by '\' or
// '/'); the last component always stays.
std::string WithoutComponents(const std::string& path, int components);
// The text after the last '/' (the whole text without one).
std::string AfterLastSlash(const std::string& text);
// Whether the path's extension (after its last '.') is `extension`, without
// regard to case.
bool HasExtension(const std::string& path, const char* extension);

}  // namespace TETLib
