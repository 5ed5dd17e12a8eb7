#include "foundation/console/CodePages.h"

#include <climits>
#include <cwchar>
#include <cstring>
#include <langinfo.h>
#include <vector>

#include "foundation/soups/CodePage1252.h"
#include "foundation/text/Utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsAnsi(unsigned codePage) { return codePage == kCodePageAnsi || codePage == kCodePageWindows1252; }
bool IsKnown(unsigned codePage) {
    return IsAnsi(codePage) || codePage == kCodePageUTF8 || codePage == kCodePageConsole;
}

// Decodes UTF-8 the way Windows does for a conversion without flags: every
// malformed sequence becomes U+FFFD.
void DecodeUtf8(std::string_view text, std::vector<char32_t>& out) {
    for (std::size_t i = 0; i < text.size();) {
        Utf8::Decoded d = Utf8::DecodeAt(text, i);
        out.push_back(d.codePoint);
        i += d.length;
    }
}

void AppendUtf8(std::string& out, char32_t cp) { Utf8::Append(out, cp); }

// The console's character set is the current locale's: the C library's
// own multibyte conversion, with '?' for what it cannot hold.
void AppendConsole(std::string& out, char32_t cp, bool utf8Locale) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return;
    }
    if (utf8Locale) {
        AppendUtf8(out, cp);
        return;
    }
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    std::size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(cp), &state);
    if (n == static_cast<std::size_t>(-1) || n == 0)
        out.push_back('?');
    else
        out.append(bytes, n);
}

bool ConsoleLocaleIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

void Decode(std::string_view text, unsigned codePage, std::vector<char32_t>& out) {
    if (IsAnsi(codePage)) {
        for (char c : text) out.push_back(CodePage1252::ToCodePoint(static_cast<uint8_t>(c)));
        return;
    }
    if (codePage == kCodePageUTF8) {
        DecodeUtf8(text, out);
        return;
    }
    // The console's character set.
    if (ConsoleLocaleIsUtf8()) {
        DecodeUtf8(text, out);
        return;
    }
    std::mbstate_t state{};
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out.push_back(byte);
            ++i;
            continue;
        }
        wchar_t wide = 0;
        std::size_t n = std::mbrtowc(&wide, text.data() + i, text.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2) || n == 0) {
            out.push_back(kReplacement);
            state = std::mbstate_t{};
            ++i;
            continue;
        }
        out.push_back(static_cast<char32_t>(wide));
        i += n;
    }
}

void Encode(const std::vector<char32_t>& text, unsigned codePage, std::string& out) {
    if (IsAnsi(codePage)) {
        for (char32_t cp : text) {
            int byte = CodePage1252::FromCodePoint(cp);
            out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        }
        return;
    }
    if (codePage == kCodePageUTF8) {
        for (char32_t cp : text) AppendUtf8(out, cp);
        return;
    }
    bool utf8Locale = ConsoleLocaleIsUtf8();
    for (char32_t cp : text) AppendConsole(out, cp, utf8Locale);
}

char16_t NarrowableUnit(char32_t unit) { return unit > 0xFFFF ? u'?' : static_cast<char16_t>(unit); }

char WideUnitToAnsi(char16_t unit) {
    if ((unit >= 32 && unit <= 127) || unit == 9 || unit == 10 || unit == 13 || unit == 171 || unit == 176 ||
        unit == 187)
        return static_cast<char>(unit);
    switch (unit) {
        case 0x2013: return static_cast<char>(150);
        case 0x2018: return static_cast<char>(145);
        case 0x2019: return static_cast<char>(146);
        case 0x201C: return static_cast<char>(147);
        case 0x201D: return static_cast<char>(148);
        case 0x2026: return static_cast<char>(133);
        default: return '?';
    }
}

}  // namespace

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) out.push_back(WideUnitToAnsi(unit));
    return out;
}

std::string WideToAnsi(const char16_t* text) {
    if (!text) return std::string();
    return WideToAnsi(std::u16string_view(text));
}

std::string WideToAnsi(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t unit : text) out.push_back(WideUnitToAnsi(NarrowableUnit(static_cast<char32_t>(unit))));
    return out;
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        char16_t unit;
        switch (byte) {
            case 133: unit = 0x2026; break;
            case 145: unit = 0x2018; break;
            case 146: unit = 0x2019; break;
            case 147: unit = 0x201C; break;
            case 148: unit = 0x201D; break;
            case 150: unit = 0x2013; break;
            case 171: unit = 0x00AB; break;
            case 176: unit = 0x00B0; break;
            case 187: unit = 0x00BB; break;
            default:
                // Other high bytes are widened as signed 8-bit values.
                unit = static_cast<char16_t>(static_cast<int16_t>(static_cast<signed char>(c)));
                break;
        }
        out.push_back(unit);
    }
    return out;
}

bool ConvertCodePage(std::string_view text, unsigned fromCodePage, unsigned toCodePage, std::string& out) {
    out.clear();
    if (!IsKnown(fromCodePage) || !IsKnown(toCodePage)) return false;
    std::vector<char32_t> codePoints;
    codePoints.reserve(text.size());
    Decode(text, fromCodePage, codePoints);
    Encode(codePoints, toCodePage, out);
    return true;
}

int ConvertTextCodePage(char* text, std::size_t capacity, unsigned fromCodePage, unsigned toCodePage) {
    if (!text) return -1;
    std::string converted;
    if (!ConvertCodePage(std::string_view(text), fromCodePage, toCodePage, converted)) {
        for (char* p = text; *p; ++p)
            if (static_cast<unsigned char>(*p) >= 128) *p = '?';
        return -1;
    }
    std::size_t needed = converted.size() + 1;
    if (needed > capacity) return static_cast<int>(needed);
    std::memcpy(text, converted.c_str(), needed);
    return 0;
}

int ConvertFromUTF8(char* text, std::size_t capacity, unsigned toCodePage) {
    return ConvertTextCodePage(text, capacity, kCodePageUTF8, toCodePage);
}

int ConvertToUTF8(char* text, std::size_t capacity) {
    return ConvertTextCodePage(text, capacity, kCodePageAnsi, kCodePageUTF8);
}
