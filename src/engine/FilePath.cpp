#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/FileResolve.h"

namespace Vek {

using FileDetail::FoldAscii;
using FileDetail::IsSeparator;

namespace {

bool HasDrive(const std::string& text) {
    return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

// Length of the root prefix that DelName and RemoveTrailingSeparator keep:
// "\" or "C:\" (1 or 3), else 0.
std::size_t RootLength(const std::string& text) {
    if (!text.empty() && IsSeparator(text[0])) return 1;
    if (HasDrive(text) && text.size() >= 3 && IsSeparator(text[2])) return 3;
    return 0;
}

std::size_t LastSeparator(const std::string& text) { return text.find_last_of("/\\"); }

}  // namespace

File::Path& File::Path::Add(const char* text) {
    try {
        if (text) m_text += text;
    } catch (...) {
    }
    return *this;
}

File::Path& File::Path::AddPath(const char* component) {
    try {
        if (!component || !*component) return *this;
        if (m_text.empty()) {
            m_text = component;
            return *this;
        }
        if (!IsSeparator(m_text.back()) && !IsSeparator(component[0])) {
            const bool onlyForward = m_text.find('/') != std::string::npos && m_text.find('\\') == std::string::npos;
            m_text += onlyForward ? '/' : '\\';
        }
        m_text += component;
    } catch (...) {
    }
    return *this;
}

void File::Path::Normalise() {
    try {
        if (m_text.empty()) return;
        const bool drive = HasDrive(m_text);
        std::string result = drive ? m_text.substr(0, 2) : std::string();
        std::size_t i = drive ? 2 : 0;
        bool rooted = false;
        if (i < m_text.size() && IsSeparator(m_text[i])) {
            result += '\\';
            rooted = true;
        }
        const bool trailing = IsSeparator(m_text.back());

        std::vector<std::string> parts;
        while (i < m_text.size()) {
            while (i < m_text.size() && IsSeparator(m_text[i])) ++i;
            std::size_t end = i;
            while (end < m_text.size() && !IsSeparator(m_text[end])) ++end;
            if (end == i) break;
            std::string part = m_text.substr(i, end - i);
            i = end;
            if (part == ".") continue;
            if (part == "..") {
                if (!parts.empty() && parts.back() != "..")
                    parts.pop_back();
                else if (!rooted)
                    parts.push_back(part);
                continue;
            }
            parts.push_back(std::move(part));
        }
        for (std::size_t k = 0; k < parts.size(); ++k) {
            if (k) result += '\\';
            result += parts[k];
        }
        if (trailing && !parts.empty()) result += '\\';
        m_text = std::move(result);
    } catch (...) {
    }
}

void File::Path::ReplaceForwardSlashes() {
    for (char& c : m_text)
        if (c == '/') c = '\\';
}

void File::Path::ReplaceBackSlashes() {
    for (char& c : m_text)
        if (c == '\\') c = '/';
}

void File::Path::ToLower() {
    for (char& c : m_text) c = FoldAscii(c);
}

void File::Path::RemoveTrailingSeparator() {
    if (m_text.empty() || !IsSeparator(m_text.back())) return;
    if (m_text.size() == RootLength(m_text)) return;  // "\" or "C:\" alone
    m_text.pop_back();
}

bool File::Path::MakeRelativeTo(const char* root) {
    try {
        if (!root) return false;
        Path base(root);
        base.Normalise();
        base.RemoveTrailingSeparator();
        if (base.IsEmpty()) return false;
        Path self(m_text);
        self.Normalise();
        self.RemoveTrailingSeparator();

        std::string prefix = base.Str();
        Path foldedSelf(self);
        Path foldedPrefix(prefix);
        foldedSelf.ToLower();
        foldedPrefix.ToLower();
        if (foldedSelf.Str() == foldedPrefix.Str()) {
            m_text.clear();
            return true;
        }
        std::string head = foldedPrefix.Str();
        if (head.back() != '\\') head += '\\';
        if (foldedSelf.Str().compare(0, head.size(), head) != 0) return false;
        m_text = self.Str().substr(head.size());
        return true;
    } catch (...) {
        return false;
    }
}

void File::Path::DelName() {
    const std::size_t cut = LastSeparator(m_text);
    if (cut == std::string::npos) {
        m_text.clear();
        return;
    }
    const std::size_t root = RootLength(m_text);
    if (root && cut + 1 == root)
        m_text.resize(root);  // keep the root separator
    else
        m_text.resize(cut);
}

const char* File::Path::GetName() const {
    const std::size_t cut = LastSeparator(m_text);
    return m_text.c_str() + (cut == std::string::npos ? 0 : cut + 1);
}

const char* File::Path::GetExt() const {
    const char* dot = std::strrchr(GetName(), '.');
    return dot ? dot + 1 : nullptr;
}

bool File::Path::IsExt(const char* extension) const {
    if (!extension) return false;
    if (*extension == '.') ++extension;
    const char* own = GetExt();
    if (!own) return false;
    for (; *own && *extension; ++own, ++extension)
        if (FoldAscii(*own) != FoldAscii(*extension)) return false;
    return *own == '\0' && *extension == '\0';
}

bool File::Path::ExtractFirstPath(Path& first) {
    try {
        first.Clear();
        if (m_text.empty()) return false;
        std::size_t start = 0;
        while (start < m_text.size() && IsSeparator(m_text[start])) ++start;
        std::size_t end = start;
        while (end < m_text.size() && !IsSeparator(m_text[end])) ++end;
        first.m_text = m_text.substr(start, end - start);
        while (end < m_text.size() && IsSeparator(m_text[end])) ++end;
        m_text.erase(0, end);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace Vek
