// The six standard kind converters. Each is made once, in the order below,
// and links itself at the head of the converter list, so the list is
// searched from the last one (KUID to text) to the first (text to integer).
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/ACSConverter.h"

namespace {

RawDataRef BlockOfText(const std::string& text, bool withNul) {
    return MakeRawDataCopy(static_cast<int32_t>(text.size() + (withNul ? 1 : 0)), text.c_str());
}

// Text to one integer: the text must pass the numeric test; "%d" then
// reads its leading number ("1.5e+3" gives 1). Nothing read, no result.
class ACSConverter_TextInt : public ACSConverter {
public:
    ACSConverter_TextInt() : ACSConverter(ACSKind::kText, ACSKind::kIntegers) {}
    void Convert(const RawDataRef& source, RawDataRef& out) const override {
        out = nullptr;
        std::string text(TextOfBlock(source));
        if (!IsNumericText(text)) return;
        int value = 0;
        if (std::sscanf(text.c_str(), "%d", &value) != 1) return;
        int32_t word = value;
        out = MakeRawDataCopy(4, &word);
    }
};

// Text to one float, the same way with "%f".
class ACSConverter_TextFloat : public ACSConverter {
public:
    ACSConverter_TextFloat() : ACSConverter(ACSKind::kText, ACSKind::kFloats) {}
    void Convert(const RawDataRef& source, RawDataRef& out) const override {
        out = nullptr;
        std::string text(TextOfBlock(source));
        if (!IsNumericText(text)) return;
        float value = 0.0f;
        if (std::sscanf(text.c_str(), "%f", &value) != 1) return;
        out = MakeRawDataCopy(4, &value);
    }
};

// Text to KUID: the lenient parser; a text that is no KUID still gives a
// result, the null KUID. 8 bytes: packed word, content id.
class ACSConverter_TextKUID : public ACSConverter {
public:
    ACSConverter_TextKUID() : ACSConverter(ACSKind::kText, ACSKind::kKUID) {}
    void Convert(const RawDataRef& source, RawDataRef& out) const override {
        std::string text(TextOfBlock(source));
        KUID kuid = KUID::Parse(text.c_str(), false);
        uint8_t record[KUID::kPackedRecordSize];
        kuid.ToPackedRecord(record);
        out = MakeRawDataCopy(KUID::kPackedRecordSize, record);
    }
};

// Integers to text: each 4-byte value with "%d", joined with ','; no NUL.
// A trailing rest of 1 to 3 bytes is ignored.
class ACSConverter_IntText : public ACSConverter {
public:
    ACSConverter_IntText() : ACSConverter(ACSKind::kIntegers, ACSKind::kText) {}
    void Convert(const RawDataRef& source, RawDataRef& out) const override {
        out = nullptr;
        std::string text;
        if (AppendStandardText(ACSKind::kIntegers, source->Data(), source->Size(), text))
            out = BlockOfText(text, false);
    }
};

// Floats to text: each 4-byte value with "%g" (as a double), joined with
// ','; no NUL.
class ACSConverter_FloatText : public ACSConverter {
public:
    ACSConverter_FloatText() : ACSConverter(ACSKind::kFloats, ACSKind::kText) {}
    void Convert(const RawDataRef& source, RawDataRef& out) const override {
        out = nullptr;
        std::string text;
        if (AppendStandardText(ACSKind::kFloats, source->Data(), source->Size(), text))
            out = BlockOfText(text, false);
    }
};

// KUID to text: the first KUID's tag text, with a NUL (the text writer
// stops at it). Fewer than 8 bytes, no result.
class ACSConverter_KUIDText : public ACSConverter {
public:
    ACSConverter_KUIDText() : ACSConverter(ACSKind::kKUID, ACSKind::kText) {}
    void Convert(const RawDataRef& source, RawDataRef& out) const override {
        out = nullptr;
        std::string text;
        if (AppendStandardText(ACSKind::kKUID, source->Data(), source->Size(), text)) out = BlockOfText(text, true);
    }
};

struct StandardConverters {
    ACSConverter_TextInt textInt;
    ACSConverter_TextFloat textFloat;
    ACSConverter_TextKUID textKUID;
    ACSConverter_IntText intText;
    ACSConverter_FloatText floatText;
    ACSConverter_KUIDText kuidText;
};

}  // namespace

bool AppendStandardText(int32_t kind, const uint8_t* data, int32_t size, std::string& out) {
    if (!data) return false;
    if (kind == ACSKind::kKUID) {
        if (size < KUID::kPackedRecordSize) return false;
        KUID kuid;
        kuid.FromPackedRecord(data);
        char text[KUID::kTagTextCapacity];
        out.append(text, kuid.FormatTagText(text));
        return true;
    }
    if (kind != ACSKind::kIntegers && kind != ACSKind::kFloats) return false;
    const int32_t count = size / 4;
    if (count <= 0) return false;
    // to_chars gives what "%d" and "%g" (general, 6 digits) give in the C
    // locale, without the locale and the format parsing.
    char number[32];
    for (int32_t i = 0; i < count; ++i) {
        char* end;
        if (kind == ACSKind::kIntegers) {
            int32_t value;
            std::memcpy(&value, data + 4 * i, 4);
            end = std::to_chars(number, number + sizeof number, value).ptr;
        } else {
            float value;
            std::memcpy(&value, data + 4 * i, 4);
            end = std::to_chars(number, number + sizeof number, static_cast<double>(value),
                                std::chars_format::general, 6)
                      .ptr;
        }
        if (i) out.push_back(',');
        out.append(number, end);
    }
    return true;
}

void RegisterStandardConverters() {
    // Made once, thread-safely, on the first conversion; members are
    // constructed in declaration order, which is the registration order.
    static StandardConverters converters;
    (void)converters;
}
