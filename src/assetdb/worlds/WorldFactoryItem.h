#pragma once
// WorldFactoryItem: the base of objects that factories recreate; it names
// the four-character factory type of the object's class.
#include <cstdint>

// A four-character constant, first character most significant ('gslb').
constexpr uint32_t WorldFactoryType(const char (&text)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

class WorldFactoryItem {
public:
    WorldFactoryItem() = default;
    virtual ~WorldFactoryItem();
    WorldFactoryItem(const WorldFactoryItem&) = delete;
    WorldFactoryItem& operator=(const WorldFactoryItem&) = delete;

    virtual uint32_t GetFactoryType() const = 0;
};
