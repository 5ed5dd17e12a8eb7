#pragma once
// Binary soups written out byte by byte, for requests that carry them.
#include <string>

#include "vaddaemon/RawLink.h"

namespace VorlexTest {

// One text entry: L, N, the name with its NUL, type 3, the text with its NUL.
inline Bytes TextEntry(const std::string& name, const std::string& text) {
    Bytes entry = Hex("00");
    entry[0] = static_cast<uint8_t>(name.size() + 1);
    entry.insert(entry.end(), name.begin(), name.end());
    entry.push_back(0);
    entry.push_back(3);
    entry.insert(entry.end(), text.begin(), text.end());
    entry.push_back(0);
    return Le32(static_cast<int32_t>(entry.size())) + entry;
}

// The header ("ACS$", version 1, reserved 0, body size) and the body.
inline Bytes Soup(const Bytes& body) {
    return Hex("41435324 01000000 00000000") + Le32(static_cast<int32_t>(body.size())) + body;
}

}  // namespace VorlexTest
