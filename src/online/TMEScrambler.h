#pragma once
// The scrambling of the reliable-datagram stream's payloads. Each direction
// keeps a 32-bit position; every byte is XORed with a key byte chosen and
// rotated by the position, plus the position itself, and the position then
// advances by the scrambled byte's value. Both ends stay in step as long as
// every payload passes exactly once and in sending order.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace TMEScrambler {

// Scrambles `length` bytes in place with `key` from `position`; the
// position advances by each output byte. An empty key changes nothing.
void Scramble(uint8_t* bytes, std::size_t length, std::string_view key, uint32_t& position);
// The reverse: the position advances by each input byte.
void Unscramble(uint8_t* bytes, std::size_t length, std::string_view key, uint32_t& position);

}  // namespace TMEScrambler
