#pragma once
// The words of the daemon link. A four-character tag is the integer of a
// multi-character constant, 'VADC' = 'V' << 24 | 'A' << 16 | 'D' << 8 | 'C',
// sent little-endian, so its bytes on the wire run backwards (C, D, A, V).
#include <cstdint>

constexpr uint32_t FourCharTag(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8 | static_cast<uint32_t>(static_cast<uint8_t>(text[3]));
}

constexpr uint32_t kTagClientHello = FourCharTag("VADC");
constexpr uint32_t kTagDaemonHello = FourCharTag("VADD");
constexpr uint32_t kTagNotice = FourCharTag("note");
constexpr uint32_t kTagReply = FourCharTag("repl");

// The hello's program version and build.
constexpr int32_t kLinkVersion = 350;
constexpr int32_t kLinkBuild = 47059;
// The word a client sends alone to say goodbye.
constexpr int32_t kLinkGoodbye = 1;
