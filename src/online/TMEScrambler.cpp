#include "online/TMEScrambler.h"

namespace TMEScrambler {
namespace {

uint8_t Mask(std::string_view key, uint32_t position) {
    uint8_t k = static_cast<uint8_t>(key[(position / 13) % key.size()]);
    unsigned rotation = (position / 7) % 8;
    if (rotation) k = static_cast<uint8_t>((k >> rotation) | (k << (8 - rotation)));
    return static_cast<uint8_t>(k + position);
}

}  // namespace

void Scramble(uint8_t* bytes, std::size_t length, std::string_view key, uint32_t& position) {
    if (key.empty()) return;
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(bytes[i] ^ Mask(key, position));
        position += bytes[i];
    }
}

void Unscramble(uint8_t* bytes, std::size_t length, std::string_view key, uint32_t& position) {
    if (key.empty()) return;
    for (std::size_t i = 0; i < length; ++i) {
        uint8_t in = bytes[i];
        bytes[i] = static_cast<uint8_t>(in ^ Mask(key, position));
        position += in;
    }
}

}  // namespace TMEScrambler
