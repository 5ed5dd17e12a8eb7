#pragma once
// One item of a parsed configuration text, and the tree of its children.
//
// An item has a key, zero or more value tokens and zero or more child items
// (see engine/config/ConfigParser.h for the text syntax). Lookups by key
// ignore ASCII case and answer the shared sentinel `unknownItem` when the
// key is not there, so lookups can be chained without checks:
//   float offset = 0; root("offset") >> offset;      // unchanged when missing
//   root("mesh", 2)("name") >> name;                  // third "mesh" entry
// Conversions (operator>>) read the first value token, in the C locale
// whatever the process locale, and leave the destination unchanged (and
// answer false) when the item is unknown or the text does not convert
// entirely. Text extractions give all value tokens joined by one space.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/PString.h"

namespace Vek {

class ConfigData {
public:
    static ConfigData unknownItem;

    ConfigData() = default;
    explicit ConfigData(std::string key) : m_key(std::move(key)) {}
    ConfigData(const ConfigData&) = delete;
    ConfigData& operator=(const ConfigData&) = delete;

    bool IsUnknown() const { return this == &unknownItem; }
    bool operator==(const ConfigData& other) const { return this == &other; }

    const std::string& GetKey() const { return m_key; }
    // All value tokens joined by one space ("" when there are none).
    std::string GetValue() const;
    uint32_t GetValueCount() const { return static_cast<uint32_t>(m_values.size()); }
    // Value token i, or "" past the end.
    const std::string& GetValue(uint32_t index) const;

    uint32_t GetChildCount() const { return static_cast<uint32_t>(m_children.size()); }
    const ConfigData& GetChild(uint32_t index) const;

    // The first (or index-th, from 0) child with this key, or unknownItem.
    const ConfigData& operator()(const char* key) const { return (*this)(key, 0); }
    const ConfigData& operator()(const char* key, uint32_t index) const;
    // The number of children with this key.
    uint32_t Count(const char* key) const;

    bool operator>>(float& value) const;
    bool operator>>(double& value) const;
    bool operator>>(int32_t& value) const;
    bool operator>>(uint32_t& value) const;
    // "true", "yes", "on", "1" and "false", "no", "off", "0", case ignored.
    bool operator>>(bool& value) const;
    bool operator>>(PString& value) const;
    bool operator>>(AnsiString& value) const;
    bool operator>>(std::string& value) const;

    // Reads value token i as a float; false (value unchanged) when it is not
    // one.
    bool GetFloat(uint32_t index, float& value) const;
    // Reads `count` floats from the value tokens; false (nothing changed)
    // unless the item has exactly that many numeric tokens.
    bool GetFloats(float* values, uint32_t count) const;

    // Building (the parser's side, and callers that hand settings on).
    void AddValue(std::string token) { m_values.push_back(std::move(token)); }
    ConfigData& AddChild(std::string key);
    // Appends a child item with one value token.
    ConfigData& Add(const char* key, const char* value) {
        ConfigData& child = AddChild(key ? key : "");
        child.AddValue(value ? value : "");
        return child;
    }

private:
    // An item with this many children keeps them indexed by key.
    static constexpr std::size_t kIndexedChildren = 16;
    using KeyIndex = std::unordered_map<std::string, std::vector<uint32_t>>;

    // A key as lookups compare it: up to its first NUL byte, each byte in
    // lower case as strcasecmp folds it.
    static std::string FoldKey(const char* key);
    void IndexChild(uint32_t position);

    std::string m_key;
    std::vector<std::string> m_values;
    std::vector<std::unique_ptr<ConfigData>> m_children;
    // The positions of the children of each folded key, in order, once the
    // item has kIndexedChildren children (kept by AddChild): the n-th child
    // of a key is found without walking the children before it, so reading
    // every entry of a long list costs time linear in the list.
    std::unique_ptr<KeyIndex> m_byKey;
};

// Converts a whole token, in the C locale. False when it is not a number.
bool ParseConfigFloat(const std::string& text, double& value);

}  // namespace Vek
