// KUID texts: any text parsed strictly and leniently. A text the strict
// parser accepts gives the same KUID leniently; every valid KUID's tag
// texts parse back to it in both modes, and the short form of a two-part
// KUID leniently.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"

namespace {

void CheckForms(const KUID& kuid) {
    if (kuid.IsNull()) return;
    FUZZ_CHECK(kuid.IsValid());
    FUZZ_CHECK(KUID::Parse(kuid.ToTagString().c_str(), true) == kuid);
    FUZZ_CHECK(KUID::Parse(kuid.ToTagString().c_str(), false) == kuid);
    const KUID base = KUID::Parse(kuid.ToBaseTagString().c_str(), true);
    FUZZ_CHECK(base.GetUserID() == kuid.GetUserID() && base.GetContentID() == kuid.GetContentID());
    // The short form has one ':' only for a two-part KUID; the lenient
    // bare form takes exactly one.
    if (kuid.IsTwoPart()) FUZZ_CHECK(KUID::Parse(kuid.ToShortString().c_str(), false) == kuid);
    FUZZ_CHECK(KUID::Parse(kuid.ToFolderName().c_str(), false).IsNull());
    // The stream form keeps a user id of 25 bits, signed.
    TBuffer stream;
    kuid.Write(stream);
    stream.Rewind();
    KUID back;
    FUZZ_CHECK(back.Read(stream));
    if (kuid.GetUserID() >= -0x1000000 && kuid.GetUserID() <= 0xFFFFFF) FUZZ_CHECK(back == kuid);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // ends at its first NUL for the parser
    const KUID strict = KUID::Parse(text.c_str(), true);
    const KUID lenient = KUID::Parse(text.c_str(), false);
    if (!strict.IsNull()) FUZZ_CHECK(lenient == strict);
    CheckForms(strict);
    CheckForms(lenient);
    // The words themselves, when the input is long enough to hold them.
    if (size >= 12) {
        int32_t words[3];
        __builtin_memcpy(words, data, sizeof words);
        CheckForms(KUID(words[0], words[1], words[2]).IsValid() ? KUID(words[0], words[1], words[2]) : KUID());
    }
    return 0;
}
