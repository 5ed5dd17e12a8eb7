#pragma once
// The fixed words of the daemon link, as the stand-in reads and writes
// them. A four-character tag is the integer whose bytes, from the most
// significant, are its characters: 'VADC' is 0x56414443, sent
// little-endian, so its bytes on the wire are C, D, A, V.
#include <cstdint>

namespace LinkWord {

constexpr uint32_t kClientHello = 0x56414443;  // 'VADC'
constexpr uint32_t kDaemonHello = 0x56414444;  // 'VADD'
constexpr uint32_t kNotice = 0x6E6F7465;       // 'note'
constexpr uint32_t kReply = 0x7265706C;        // 'repl'

// The version the daemon names in its hello reply.
constexpr int32_t kVersion = 350;
// The word a client sends alone to say goodbye.
constexpr int32_t kGoodbye = 1;

}  // namespace LinkWord
