#include "foundation/files/PathRules.h"

#include <cstring>
#include <string>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsAbsolutePath(const char* path) {
    if (!path || path[0] == '\0') return false;
    if (path[0] == '/' || path[0] == '\\') return true;
    return path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

bool IsDotOrDotDot(const char* name) {
    if (!name || name[0] != '.') return false;
    return name[1] == '\0' || (name[1] == '.' && name[2] == '\0');
}

bool IsPathInsideFolder(const char* path) {
    if (!path || path[0] == '\0' || IsAbsolutePath(path)) return false;
    const char* component = path;
    for (const char* c = path;; ++c) {
        if (*c == '/' || *c == '\\' || *c == '\0') {
            if (c - component == 2 && component[0] == '.' && component[1] == '.') return false;
            if (*c == '\0') return true;
            component = c + 1;
        }
    }
}

bool GetExtensionText(const char*& extension, const char* path) {
    if (extension && extension[0] != '\0') {
        if (extension[0] == '.') ++extension;
        return true;
    }
    if (path) {
        const char* dot = std::strrchr(path, '.');
        if (dot) {
            extension = dot + 1;
            return true;
        }
    }
    extension = "";
    return false;
}

bool MatchesPrefixNoCase(const char* pattern, const char* text) {
    if (!pattern) return true;
    if (!text) text = "";
    for (; *pattern != '\0'; ++pattern, ++text) {
        if (*text == '\0') return false;
        if (*pattern == '?') continue;
        char p = *pattern;
        char t = *text;
        if (IsLetter(p) && IsLetter(t)) {
            if (LowerAscii(p) != LowerAscii(t)) return false;
        } else if (p != t) {
            return false;
        }
    }
    return true;
}

bool ToLowerAsciiBounded(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return false;
    for (std::size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\0') return true;
        buffer[i] = LowerAscii(buffer[i]);
    }
    buffer[size - 1] = '\0';
    return false;
}

bool ToLowerAsciiPString(Vek::PString& text) {
    if (text.IsEmpty()) return false;
    text.ToLower();
    return true;
}

bool IsTextureTxtFileName(const char* name) {
    static constexpr char kSuffix[] = ".texture.txt";
    static constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;
    if (!name) return false;
    std::size_t length = std::strlen(name);
    if (length < kSuffixLength) return false;
    const char* tail = name + length - kSuffixLength;
    for (std::size_t i = 0; i < kSuffixLength; ++i)
        if (LowerAscii(tail[i]) != kSuffix[i]) return false;
    return true;
}

void NormalisePath(Vek::File::Path& path) {
    if (path.IsEmpty()) return;
    path.Normalise();
    path.ReplaceForwardSlashes();
    path.ToLower();
    path.RemoveTrailingSeparator();
}

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

Vek::String MakeSafeIdentifier(const char* text) {
    Vek::String result(text ? text : "");
    std::string& s = result.Std();
    for (char& c : s) {
        bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ' ';
        if (!keep) c = '_';
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return result;
}

Vek::String MakeSafeIdentifier() { return MakeSafeIdentifier(""); }
