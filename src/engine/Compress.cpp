#include "engine/Compress.h"

#include <cstring>
#include <vector>

#include "engine/IOSlave.h"

namespace Vek {

namespace {

constexpr std::size_t kHashBits = 12;
constexpr std::size_t kHashSize = std::size_t(1) << kHashBits;
constexpr std::size_t kWindowMask = LZSSCompress::kWindowSize - 1;
constexpr uint32_t kStoredBit = 0x80000000u;
constexpr std::size_t kChunkHeaderSize = 12;

// How many earlier positions each level looks at for a match.
constexpr int kChainLength[LZSSCompress::kMaxLevel + 1] = {0, 1, 2, 4, 8, 16, 32, 64, 256, 1024};

inline uint32_t HashOf(const uint8_t* p) {
    const uint32_t v = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]);
    return (v * 2654435761u) >> (32 - kHashBits);
}

inline void PutWord(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline uint32_t GetWord(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Reads exactly n bytes unless the source runs dry first.
bool ReadExact(IOSlave& source, void* destination, std::size_t n) {
    auto* out = static_cast<uint8_t*>(destination);
    while (n > 0) {
        const std::size_t got = source.Read(out, n);
        if (got == 0 || got > n) return false;
        out += got;
        n -= got;
    }
    return true;
}

bool WriteExact(IOSlave& destination, const void* source, std::size_t n) {
    const auto* in = static_cast<const uint8_t*>(source);
    while (n > 0) {
        const std::size_t put = destination.Write(in, n);
        if (put == 0 || put > n) return false;
        in += put;
        n -= put;
    }
    return true;
}

}  // namespace

uint32_t LZSSCompress::Adler32(const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t a = 1, b = 0;
    while (n > 0) {
        // 5552 bytes keep the sums below 2^32 before the reduction.
        std::size_t run = n < 5552 ? n : 5552;
        n -= run;
        while (run-- > 0) {
            a += *p++;
            b += a;
        }
        a %= 65521u;
        b %= 65521u;
    }
    return (b << 16) | a;
}

int64_t LZSSCompress::CompressBlock(void* destination, std::size_t capacity, const void* source,
                                    std::size_t sourceLength, int level) {
    if (sourceLength == 0) return 0;
    if (!destination || !source) return -1;
    if (level < 0) level = 0;
    if (level > kMaxLevel) level = kMaxLevel;
    const int chainLength = kChainLength[level];

    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    std::size_t outPos = 0;

    // head[h]: the latest position whose three bytes hash to h; prev[p & mask]:
    // the position before p with the same hash. -1 marks none.
    std::vector<int64_t> head;
    std::vector<int64_t> prev;
    if (chainLength > 0) {
        head.assign(kHashSize, -1);
        prev.assign(kWindowSize, -1);
    }
    auto insert = [&](std::size_t p) {
        if (chainLength == 0 || p + kMinMatch > sourceLength) return;
        const uint32_t h = HashOf(in + p);
        prev[p & kWindowMask] = head[h];
        head[h] = int64_t(p);
    };

    std::size_t flagPos = 0;
    int flagBit = 8;  // 8: a new flag byte is due before the next item
    std::size_t pos = 0;
    while (pos < sourceLength) {
        std::size_t bestLength = 0;
        std::size_t bestDistance = 0;
        if (chainLength > 0 && pos + kMinMatch <= sourceLength) {
            const std::size_t maxLength = sourceLength - pos < kMaxMatch ? sourceLength - pos : kMaxMatch;
            int64_t candidate = head[HashOf(in + pos)];
            for (int tries = chainLength; candidate >= 0 && tries > 0; --tries) {
                const std::size_t c = std::size_t(candidate);
                if (c >= pos || pos - c > kWindowSize) break;
                std::size_t length = 0;
                while (length < maxLength && in[c + length] == in[pos + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = pos - c;
                    if (length == maxLength) break;
                }
                const int64_t next = prev[c & kWindowMask];
                if (next >= candidate) break;
                candidate = next;
            }
        }

        if (flagBit == 8) {
            if (outPos >= capacity) return -1;
            flagPos = outPos++;
            out[flagPos] = 0;
            flagBit = 0;
        }
        if (bestLength >= kMinMatch) {
            if (capacity - outPos < 2) return -1;
            const std::size_t d = bestDistance - 1;
            out[outPos++] = uint8_t(d & 0xFF);
            out[outPos++] = uint8_t(((d >> 4) & 0xF0) | ((bestLength - kMinMatch) & 0x0F));
            for (std::size_t i = 0; i < bestLength; ++i) insert(pos + i);
            pos += bestLength;
        } else {
            if (outPos >= capacity) return -1;
            out[flagPos] |= uint8_t(1u << flagBit);
            out[outPos++] = in[pos];
            insert(pos);
            pos += 1;
        }
        flagBit += 1;
    }
    return int64_t(outPos);
}

int64_t LZSSCompress::DecompressBlock(void* destination, std::size_t capacity, const void* source,
                                      std::size_t sourceLength) {
    if (sourceLength == 0) return 0;
    if (!source || (!destination && capacity > 0)) return -1;
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    std::size_t inPos = 0;
    std::size_t outPos = 0;
    while (inPos < sourceLength) {
        const uint8_t flags = in[inPos++];
        if (inPos == sourceLength) return -1;  // a flag byte with no item
        for (int bit = 0; bit < 8 && inPos < sourceLength; ++bit) {
            if (flags & (1u << bit)) {
                if (outPos >= capacity) return -1;
                out[outPos++] = in[inPos++];
                continue;
            }
            if (sourceLength - inPos < 2) return -1;
            const uint8_t b0 = in[inPos];
            const uint8_t b1 = in[inPos + 1];
            inPos += 2;
            const std::size_t distance = ((std::size_t(b1 & 0xF0) << 4) | b0) + 1;
            const std::size_t length = std::size_t(b1 & 0x0F) + kMinMatch;
            if (distance > outPos) return -1;
            if (capacity - outPos < length) return -1;
            for (std::size_t i = 0; i < length; ++i, ++outPos) out[outPos] = out[outPos - distance];
        }
    }
    return int64_t(outPos);
}

bool LZSSCompress::Encode(IOSlave& destination, IOSlave& source, std::size_t sourceLength, int level) {
    std::vector<uint8_t> chunk(kStreamChunkSize);
    std::vector<uint8_t> packed(MaxCompressedSize(kStreamChunkSize));
    uint8_t header[kChunkHeaderSize];
    while (sourceLength > 0) {
        const std::size_t u = sourceLength < kStreamChunkSize ? sourceLength : kStreamChunkSize;
        if (!ReadExact(source, chunk.data(), u)) return false;
        sourceLength -= u;
        const int64_t e = CompressBlock(packed.data(), u - 1, chunk.data(), u, level);
        const bool stored = e <= 0;
        PutWord(header, uint32_t(u));
        PutWord(header + 4, stored ? (uint32_t(u) | kStoredBit) : uint32_t(e));
        PutWord(header + 8, Adler32(chunk.data(), u));
        if (!WriteExact(destination, header, sizeof header)) return false;
        if (stored ? !WriteExact(destination, chunk.data(), u)
                   : !WriteExact(destination, packed.data(), std::size_t(e)))
            return false;
    }
    PutWord(header, 0);
    PutWord(header + 4, 0);
    PutWord(header + 8, 1);
    return WriteExact(destination, header, sizeof header);
}

bool LZSSCompress::Decode(IOSlave& destination, IOSlave& source, std::size_t sourceLength) {
    std::vector<uint8_t> chunk(kStreamChunkSize);
    std::vector<uint8_t> packed;
    uint8_t header[kChunkHeaderSize];
    std::size_t left = sourceLength;
    for (;;) {
        if (left < kChunkHeaderSize || !ReadExact(source, header, sizeof header)) return false;
        left -= kChunkHeaderSize;
        const uint32_t u = GetWord(header);
        const uint32_t e = GetWord(header + 4);
        const uint32_t adler = GetWord(header + 8);
        if (u == 0) return e == 0 && adler == 1 && left == 0;
        if (u > kStreamChunkSize) return false;
        if (e & kStoredBit) {
            if ((e & ~kStoredBit) != u || left < u) return false;
            if (!ReadExact(source, chunk.data(), u)) return false;
            left -= u;
        } else {
            if (e == 0 || e > MaxCompressedSize(u) || left < e) return false;
            packed.resize(e);
            if (!ReadExact(source, packed.data(), e)) return false;
            left -= e;
            if (DecompressBlock(chunk.data(), u, packed.data(), e) != int64_t(u)) return false;
        }
        if (Adler32(chunk.data(), u) != adler) return false;
        if (!WriteExact(destination, chunk.data(), u)) return false;
    }
}

}  // namespace Vek
