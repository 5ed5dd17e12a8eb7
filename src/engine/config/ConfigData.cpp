#include "engine/config/ConfigData.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <strings.h>

namespace Vek {

ConfigData ConfigData::unknownItem;

namespace {
const std::string kEmpty;
}

bool ParseConfigFloat(const std::string& text, double& value) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (*begin == '+') ++begin;
    double parsed = 0;
    auto result = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

std::string ConfigData::GetValue() const {
    std::string joined;
    for (const std::string& token : m_values) {
        if (!joined.empty()) joined += ' ';
        joined += token;
    }
    return joined;
}

const std::string& ConfigData::GetValue(uint32_t index) const { return index < m_values.size() ? m_values[index] : kEmpty; }

const ConfigData& ConfigData::GetChild(uint32_t index) const {
    return index < m_children.size() ? *m_children[index] : unknownItem;
}

std::string ConfigData::FoldKey(const char* key) {
    std::string folded;
    for (const char* c = key; *c; ++c)
        folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(*c))));
    return folded;
}

void ConfigData::IndexChild(uint32_t position) {
    (*m_byKey)[FoldKey(m_children[position]->m_key.c_str())].push_back(position);
}

const ConfigData& ConfigData::operator()(const char* key, uint32_t index) const {
    if (!key) return unknownItem;
    if (m_byKey) {
        const auto it = m_byKey->find(FoldKey(key));
        return it != m_byKey->end() && index < it->second.size() ? *m_children[it->second[index]] : unknownItem;
    }
    for (const auto& child : m_children)
        if (strcasecmp(child->m_key.c_str(), key) == 0 && index-- == 0) return *child;
    return unknownItem;
}

uint32_t ConfigData::Count(const char* key) const {
    uint32_t count = 0;
    if (!key) return 0;
    if (m_byKey) {
        const auto it = m_byKey->find(FoldKey(key));
        return it != m_byKey->end() ? static_cast<uint32_t>(it->second.size()) : 0;
    }
    for (const auto& child : m_children)
        if (strcasecmp(child->m_key.c_str(), key) == 0) ++count;
    return count;
}

bool ConfigData::GetFloat(uint32_t index, float& value) const {
    double parsed;
    if (IsUnknown() || index >= m_values.size() || !ParseConfigFloat(m_values[index], parsed)) return false;
    if (std::isfinite(parsed) && std::fabs(parsed) > std::numeric_limits<float>::max()) return false;
    value = static_cast<float>(parsed);
    return true;
}

bool ConfigData::GetFloats(float* values, uint32_t count) const {
    if (IsUnknown() || m_values.size() != count) return false;
    std::vector<float> read(count);
    for (uint32_t i = 0; i < count; ++i)
        if (!GetFloat(i, read[i])) return false;
    for (uint32_t i = 0; i < count; ++i) values[i] = read[i];
    return true;
}

bool ConfigData::operator>>(float& value) const { return GetFloat(0, value); }

bool ConfigData::operator>>(double& value) const {
    double parsed;
    if (IsUnknown() || m_values.empty() || !ParseConfigFloat(m_values[0], parsed)) return false;
    value = parsed;
    return true;
}

bool ConfigData::operator>>(int32_t& value) const {
    if (IsUnknown() || m_values.empty()) return false;
    const std::string& t = m_values[0];
    int64_t parsed = 0;
    const char* begin = t.data();
    const char* end = begin + t.size();
    int base = 10;
    bool negative = false;
    if (begin != end && (*begin == '-' || *begin == '+')) negative = *begin++ == '-';
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) begin += 2, base = 16;
    if (begin == end) return false;
    auto result = std::from_chars(begin, end, parsed, base);
    if (result.ec != std::errc() || result.ptr != end) return false;
    if (negative) parsed = -parsed;
    // Hexadecimal words up to 0xFFFFFFFF are taken as their 32-bit pattern.
    if (base == 16 && !negative && parsed <= 0xFFFFFFFFll) parsed = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    if (parsed < std::numeric_limits<int32_t>::min() || parsed > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

bool ConfigData::operator>>(uint32_t& value) const {
    if (IsUnknown() || m_values.empty()) return false;
    const std::string& t = m_values[0];
    const char* begin = t.data();
    const char* end = begin + t.size();
    int base = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) begin += 2, base = 16;
    if (begin == end) return false;
    uint32_t parsed = 0;
    auto result = std::from_chars(begin, end, parsed, base);
    if (result.ec != std::errc() || result.ptr != end) return false;
    value = parsed;
    return true;
}

bool ConfigData::operator>>(bool& value) const {
    if (IsUnknown() || m_values.empty()) return false;
    const char* t = m_values[0].c_str();
    for (const char* word : {"true", "yes", "on", "1"})
        if (strcasecmp(t, word) == 0) return value = true, true;
    for (const char* word : {"false", "no", "off", "0"})
        if (strcasecmp(t, word) == 0) return value = false, true;
    return false;
}

bool ConfigData::operator>>(PString& value) const {
    if (IsUnknown()) return false;
    std::string text = GetValue();
    value = PString(text.data(), text.size());
    return true;
}

bool ConfigData::operator>>(AnsiString& value) const {
    if (IsUnknown()) return false;
    value = AnsiString(GetValue());
    return true;
}

bool ConfigData::operator>>(std::string& value) const {
    if (IsUnknown()) return false;
    value = GetValue();
    return true;
}

ConfigData& ConfigData::AddChild(std::string key) {
    m_children.push_back(std::make_unique<ConfigData>(std::move(key)));
    const auto position = static_cast<uint32_t>(m_children.size() - 1);
    if (m_byKey) {
        IndexChild(position);
    } else if (m_children.size() == kIndexedChildren) {
        m_byKey = std::make_unique<KeyIndex>();
        for (uint32_t c = 0; c < m_children.size(); ++c) IndexChild(c);
    }
    return *m_children.back();
}

}  // namespace Vek
