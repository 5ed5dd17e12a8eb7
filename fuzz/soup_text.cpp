// Text soups: any bytes read as a text soup, written, read and written
// again. The reader guesses kinds, so the first round may change them and
// may merge names the writer normalises alike; from then on the text is a
// fixed point and the shape (names, nesting, order, count) is kept.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"

namespace {

std::string Written(const SoupHandle& soup) {
    TBuffer out;
    WriteTextSoup(soup, out);
    return std::string(reinterpret_cast<const char*>(out.GetData()), static_cast<std::size_t>(out.GetDataSize()));
}

SoupHandle Parsed(const void* data, std::size_t size) {
    TBuffer in;
    if (size) in.Write(data, static_cast<int32_t>(size));
    in.Rewind();
    SoupHandle soup;
    ParseTextSoup(soup, in);
    return soup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > (1u << 18)) return 0;
    const SoupHandle first = Parsed(data, size);
    const std::string text1 = Written(first);
    const SoupHandle second = Parsed(text1.data(), text1.size());
    const std::string text2 = Written(second);
    const SoupHandle third = Parsed(text2.data(), text2.size());
    const std::string text3 = Written(third);
    FUZZ_CHECK(FuzzSupport::Shape(second.GetRoot()) == FuzzSupport::Shape(third.GetRoot()));
    FUZZ_CHECK(text2 == text3);
    // Every tag of the first reading is in the written text's reading, with
    // its name as the writer gives it, unless two names became one.
    FUZZ_CHECK(second.Count() <= first.Count());
    return 0;
}
