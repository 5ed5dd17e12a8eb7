#pragma once
// A content signature: {checksum, size} summing up a body of file data.
// Content archives store it as the text "size:checksum" (ToText) and compare
// stored values as text, so the arithmetic is fixed bit for bit:
//
// The signature of a block sums its whole 32-bit little-endian words; the
// last length % 4 bytes take no part, and a block of 4 bytes or less gives
// the empty signature {0, 0}. For each word w: c = c + w, then
// c = (c << 1) | (c >> 30) (a shift by 30, not a rotation), all modulo 2^32.
// The size is the number of bytes summed. Adding signatures adds both
// fields modulo 2^32. A block signature or a sum never has checksum 0: a
// 0 becomes 1 (so even two empty signatures add up to {1, 0}); only the
// empty signature itself has checksum 0.
#include <cstddef>
#include <cstdint>

#include "engine/PString.h"

struct ContentSignature {
    uint32_t checksum = 0;
    uint32_t size = 0;

    void Clear() {
        checksum = 0;
        size = 0;
    }

    // The signature of `length` bytes (null bytes give the empty signature).
    // A block of 4 GiB or more has its size taken modulo 2^32, as Add does.
    static ContentSignature OfBlock(const void* bytes, std::size_t length);

    // Adds `other` to this signature; returns the result.
    ContentSignature Add(const ContentSignature& other);

    // "size:checksum", both as signed 32-bit decimals, so a checksum of
    // 2^31 or more prints negative.
    Vek::PString ToText() const;

    bool operator==(const ContentSignature& other) const {
        return checksum == other.checksum && size == other.size;
    }
};
