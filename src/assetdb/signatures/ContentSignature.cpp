#include "assetdb/signatures/ContentSignature.h"

ContentSignature ContentSignature::OfBlock(const void* bytes, std::size_t length) {
    ContentSignature result;
    if (!bytes || length <= 4) return result;
    const std::size_t summed = length & ~static_cast<std::size_t>(3);
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint32_t c = 0;
    for (std::size_t i = 0; i < summed; i += 4) {
        const uint32_t word = static_cast<uint32_t>(p[i]) | static_cast<uint32_t>(p[i + 1]) << 8 |
                              static_cast<uint32_t>(p[i + 2]) << 16 | static_cast<uint32_t>(p[i + 3]) << 24;
        c += word;
        c = (c << 1) | (c >> 30);
    }
    result.checksum = c == 0 ? 1 : c;
    result.size = static_cast<uint32_t>(summed);
    return result;
}

ContentSignature ContentSignature::Add(const ContentSignature& other) {
    size += other.size;
    checksum += other.checksum;
    if (checksum == 0) checksum = 1;
    return *this;
}

Vek::PString ContentSignature::ToText() const {
    Vek::PString text;
    text.Setf("%d:%d", static_cast<int32_t>(size), static_cast<int32_t>(checksum));
    return text;
}
