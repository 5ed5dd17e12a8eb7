#include "foundation/platform/UniquePath.h"

#include <cerrno>
#include <climits>
#include <string>
#include <unistd.h>

#include "engine/File.h"
#include "foundation/log/LogPrintf.h"

namespace {

// The longest path the program hands on (the Windows path limit less its NUL).
constexpr std::size_t kMaxPathLength = 259;

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

}  // namespace

std::string NormalisePathSeparators(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    return Vek::File::Exists(NormalisePathSeparators(path).c_str());
}

std::string PathWithoutExtension(const std::string& path) {
    std::size_t dot = path.rfind('.');
    std::size_t separator = LastSeparator(path);
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path;
    return path.substr(0, dot);
}

std::string PathExtension(const std::string& path) {
    std::size_t dot = path.rfind('.');
    std::size_t separator = LastSeparator(path);
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return std::string();
    return path.substr(dot + 1);
}

bool MakeDirectory(const std::string& input) {
    if (input.empty()) return false;
    std::string path = NormalisePathSeparators(input);
    // One trailing separator goes, but a path that is only a separator (the
    // file-system root) stays as it is.
    if (path.size() > 1 && path.back() == '\\') path.pop_back();

    if (Vek::File::Exists(path.c_str())) {
        if (Vek::File::IsDirectory(path.c_str())) return true;
        errno = EEXIST;
        return false;
    }
    std::size_t separator = path.rfind('\\');
    if (separator != std::string::npos && separator != 0) {
        if (!MakeDirectory(path.substr(0, separator))) return false;
    }
    if (!Vek::File::MakeDirectory(path.c_str())) {
        int error = errno;
        LogPrintf("MakeDirectory> CreateDirectoryW returned err %d", error);
        errno = error;
        return false;
    }
    return true;
}

std::string MakeUniquePath(const std::string& folderIn, const std::string& name) {
    std::string folder = folderIn;
    if (folder.empty()) {
        char current[PATH_MAX];
        folder = ::getcwd(current, sizeof current) ? current : ".";
    }
    for (char& c : folder)
        if (c == '\\') c = '/';
    if (folder.back() != '/') folder += '/';
    MakeDirectory(folder);

    const std::string first = folder + name;
    const std::string stem = PathWithoutExtension(first);
    const std::string extension = PathExtension(first);
    std::string candidate = first;
    for (unsigned k = 1; FileExists(candidate); ++k) {
        // "name_2.ext", "name_3.ext", ... A name without an extension gets no
        // trailing dot (Windows would drop it from the stored name).
        candidate = stem + "_" + std::to_string(k + 1);
        if (!extension.empty()) candidate += "." + extension;
    }
    if (candidate.size() > kMaxPathLength) candidate.resize(kMaxPathLength);
    return candidate;
}
