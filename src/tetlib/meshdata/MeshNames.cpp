#include "tetlib/meshdata/MeshNames.h"

#include <strings.h>

namespace TETLib {

std::string WithoutPrefix(const std::string& path, std::size_t count) {
    return path.size() > count ? path.substr(count) : path;
}

std::string WithoutComponents(const std::string& path, int components) {
    std::size_t start = 0;
    for (int k = 0; k < components; ++k) {
        const std::size_t separator = path.find_first_of("\\/", start);
        if (separator == std::string::npos || separator + 1 >= path.size()) break;
        start = separator + 1;
    }
    return path.substr(start);
}

std::string AfterLastSlash(const std::string& text) {
    const std::size_t slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

bool HasExtension(const std::string& path, const char* extension) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find_first_of("\\/", dot) != std::string::npos) return false;
    return strcasecmp(path.c_str() + dot + 1, extension) == 0;
}

}  // namespace TETLib
