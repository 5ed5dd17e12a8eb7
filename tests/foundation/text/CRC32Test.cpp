#include "foundation/text/CRC32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Bit by bit, straight from the definition.
uint32_t ReferenceCRC32(const unsigned char* data, std::size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

TEST(CRC32, KnownValues) {
    struct Case {
        const char* text;
        uint32_t crc;
    };
    const Case cases[] = {
        {"123456789", 0xCBF43926u},
        {"abc", 0x352441C2u},
        {"", 0u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ComputeCRC32(c.text, std::strlen(c.text)), c.crc);
    }
    EXPECT_EQ(ComputeCRC32(nullptr, 0), 0u);
    EXPECT_EQ(ComputeCRC32(nullptr, 10), 0u);
}

TEST(CRC32, AgreesWithBitwiseReferenceOnRandomBuffers) {
    std::mt19937 rng(1234);
    for (std::size_t length : {1u, 2u, 3u, 7u, 8u, 15u, 16u, 255u, 256u, 257u, 4096u, 100003u}) {
        std::vector<unsigned char> buffer(length);
        for (auto& b : buffer) b = static_cast<unsigned char>(rng());
        EXPECT_EQ(ComputeCRC32(buffer.data(), length), ReferenceCRC32(buffer.data(), length)) << length;
    }
}

TEST(CRC32, LowerCaseVariantFoldsAsciiCapitalsOnly) {
    struct Case {
        const char* text;
        const char* lowered;
    };
    const Case cases[] = {
        {"Scripts/MyScript.GS", "scripts/myscript.gs"},
        {"ALREADY lower 123 @[`{", "already lower 123 @[`{"},
        // Bytes above 127 are taken as they are: "É" in UTF-8 and in Windows-1252.
        {"\xC3\x89T\xC9", "\xC3\x89t\xC9"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ComputeCRC32LowerCase(c.text), ComputeCRC32(c.lowered, std::strlen(c.lowered)));
        EXPECT_EQ(ComputeCRC32LowerCase(c.text), ComputeCRC32LowerCase(c.lowered));
    }
    EXPECT_EQ(ComputeCRC32LowerCase(nullptr), 0u);
    // Longer than one internal chunk.
    std::string longName(1000, 'A');
    std::string longLower(1000, 'a');
    EXPECT_EQ(ComputeCRC32LowerCase(longName.c_str()), ComputeCRC32(longLower.data(), longLower.size()));
}

}  // namespace
