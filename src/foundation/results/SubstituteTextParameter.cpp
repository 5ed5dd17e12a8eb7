#include "foundation/results/SubstituteTextParameter.h"

#include <cstring>
#include <string>

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t FindIgnoringCase(const std::string& text, const std::string& what, std::size_t from) {
    if (what.empty() || text.size() < what.size()) return std::string::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && FoldAscii(text[i + k]) == FoldAscii(what[k])) ++k;
        if (k == what.size()) return i;
    }
    return std::string::npos;
}

}  // namespace

void SubstituteTextParameter(const char* value, Vek::AnsiString& text, const char* name) {
    if (!name) return;
    const std::string placeholder = std::string("$(") + name + ")";
    const std::size_t valueLength = value ? std::strlen(value) : 0;
    std::string& s = text.Std();
    std::size_t at = FindIgnoringCase(s, placeholder, 0);
    while (at != std::string::npos) {
        s.replace(at, placeholder.size(), value ? value : "", valueLength);
        at = FindIgnoringCase(s, placeholder, at + valueLength);
    }
}
