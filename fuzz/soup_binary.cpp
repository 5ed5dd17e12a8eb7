// Binary soups: any bytes read as an "ACS$" file; a soup that reads is
// written, read again and written again, and the two writes are the same
// bytes (every tag, its kind and value survive the round trip).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"

namespace {

std::vector<uint8_t> Written(const SoupHandle& soup) {
    TBuffer out;
    WriteBinarySoup(out, soup);
    return std::vector<uint8_t>(out.GetData(), out.GetData() + out.GetDataSize());
}

bool Read(SoupHandle& soup, const uint8_t* data, std::size_t size) {
    TBuffer in;
    if (size) in.Write(data, static_cast<int32_t>(size));
    in.Rewind();
    return ReadBinarySoup(soup, in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    SoupHandle soup;
    Read(soup, data, size);
    if (!soup.GetRoot()) return 0;
    const std::vector<uint8_t> first = Written(soup);
    SoupHandle again;
    FUZZ_CHECK(Read(again, first.data(), first.size()));
    const std::vector<uint8_t> second = Written(again);
    FUZZ_CHECK(first == second);
    return 0;
}
