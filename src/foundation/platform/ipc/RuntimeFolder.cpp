#include "foundation/platform/ipc/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Room left for the longest suffix within the 255-byte file-name limit.
constexpr std::size_t kMaxEscapedLength = 200;

bool IsPlain(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

bool UsableFolder(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

}  // namespace

std::string GetRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime && runtime[0] == '/') {
        folder = runtime;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        // The desktop session's folder exists already; a test's may not.
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
    } else {
        folder = "/tmp/vorlex-" + std::to_string(::getuid());
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
    }
    if (!UsableFolder(folder)) return std::string();
    return folder;
}

std::string EscapeObjectName(const std::string& name) {
    std::string escaped;
    char previous = 0;
    for (unsigned char c : name) {
        if ((c == '/' || c == '\\') && (previous == '/' || previous == '\\')) continue;
        previous = static_cast<char>(c);
        if (c == '\\') c = '/';
        if (IsPlain(c)) {
            escaped += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            escaped += hex;
        }
    }
    if (escaped.size() > kMaxEscapedLength) {
        char hash[24];
        std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(Fnv1a(name)));
        escaped.resize(kMaxEscapedLength - std::strlen(hash));
        escaped += hash;
    }
    return escaped;
}

std::string ObjectFilePath(const std::string& name, const char* suffix) {
    std::string folder = GetRuntimeFolder();
    if (folder.empty()) return std::string();
    return folder + "/" + EscapeObjectName(name) + (suffix ? suffix : "");
}
