#pragma once
// GSLibraryId: the pair that names a script library everywhere: the CRC-32
// of its source text (a) and the CRC-32 of its lower-cased source file name
// (b). Library files carry it at header offsets 12 and 16, and their
// dependent tables name the libraries they link against by it.
#include <cstdint>

namespace GSRuntime {

struct GSLibraryId {
    uint32_t a = 0;  // CRC-32 of the source text
    uint32_t b = 0;  // CRC-32 of the lower-cased source file name

    bool operator==(const GSLibraryId& other) const { return a == other.a && b == other.b; }
    bool operator!=(const GSLibraryId& other) const { return !(*this == other); }
    // Order of the id tables' chains: by a, then by b, both unsigned.
    bool operator<(const GSLibraryId& other) const { return a != other.a ? a < other.a : b < other.b; }
};

}  // namespace GSRuntime
