#include "engine/resources/ResourceName.h"

#include <cctype>

namespace Vek {

bool ResourceName::Confine(const char* name, std::string& canonical) {
    canonical.clear();
    if (!name || !*name) return false;
    std::string text(name);
    if (text[0] == '/' || text[0] == '\\') return false;
    if (text.size() >= 2 && text[1] == ':') return false;
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("/\\", start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return false;
        if (!out.empty()) out += '/';
        for (char c : part) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (out.empty()) return false;
    canonical = out;
    return true;
}

bool ResourceName::HasSuffix(const std::string& name, const std::string& suffix) {
    if (suffix.empty() || name.size() < suffix.size() + 1) return false;
    std::size_t at = name.size() - suffix.size();
    if (name[at - 1] != '.') return false;
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[at + i])) != std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    return true;
}

}  // namespace Vek
