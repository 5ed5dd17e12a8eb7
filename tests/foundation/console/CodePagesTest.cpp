#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <iconv.h>
#include <string>

#include "foundation/console/CodePages.h"

namespace {

// The C library's own Windows-1252 codec, as an independent reference.
std::string IconvToUtf8(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inp = in;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return "<undefined>";
    return std::string(out, sizeof out - outLeft);
}

TEST(CodePages, Windows1252AgreesWithAnIndependentCodecForEveryDefinedByte) {
    const unsigned char undefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    for (int byte = 1; byte < 256; ++byte) {
        if (std::memchr(undefined, byte, sizeof undefined)) continue;
        char text[8] = {static_cast<char>(byte), 0};
        ASSERT_EQ(ConvertToUTF8(text, sizeof text), 0) << byte;
        std::string expected = IconvToUtf8(static_cast<unsigned char>(byte));
        EXPECT_EQ(std::string(text), expected) << "byte " << byte;
        // And back again.
        ASSERT_EQ(ConvertTextCodePage(text, sizeof text, kCodePageUTF8, kCodePageAnsi), 0);
        EXPECT_EQ(static_cast<unsigned char>(text[0]), byte);
        EXPECT_EQ(text[1], '\0');
    }
}

TEST(CodePages, UndefinedWindows1252BytesBecomeTheirControlCharacters) {
    for (unsigned char byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        char text[8] = {static_cast<char>(byte), 0};
        ASSERT_EQ(ConvertToUTF8(text, sizeof text), 0);
        EXPECT_EQ(std::string(text), (std::string{'\xC2', static_cast<char>(byte)}));
    }
}

TEST(CodePages, WideToAnsiKeepsTheTypographicCharactersAndReplacesTheRest) {
    const char16_t units[] = {0x201C, u'A', 0x201D, u' ', 0x2013, u' ', 0x2026, 0x00E9, 9, 0x00AB, 0x00B0, 0x00BB, 0};
    std::string narrow = WideToAnsi(units);
    const unsigned char expected[] = {147, 65, 148, 32, 150, 32, 133, '?', 9, 171, 176, 187};
    ASSERT_EQ(narrow.size(), sizeof expected);
    for (size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(static_cast<unsigned char>(narrow[i]), expected[i]) << i;
    EXPECT_EQ(WideToAnsi(static_cast<const char16_t*>(nullptr)), "");
}

TEST(CodePages, AnsiToWideWidensTheTableAndSignExtendsOtherHighBytes) {
    std::u16string wide = AnsiToWide("a\x85\x91\x92\x93\x94\x96\xAB\xB0\xBB\xE9");
    EXPECT_EQ(wide, (std::u16string{u'a', 0x2026, 0x2018, 0x2019, 0x201C, 0x201D, 0x2013, 0x00AB, 0x00B0, 0x00BB,
                                    0xFFE9}));
}

TEST(CodePages, ConvertTextCodePageReportsTheSizeItNeedsAndLeavesTheTextAlone) {
    char text[8] = "caf\xE9";  // Windows-1252
    EXPECT_EQ(ConvertToUTF8(text, 5), 6);
    EXPECT_STREQ(text, "caf\xE9");
    EXPECT_EQ(ConvertToUTF8(text, 6), 0);
    EXPECT_STREQ(text, "caf\xC3\xA9");
}

TEST(CodePages, UnknownCodePageFailsAndMasksHighBytes) {
    char text[8] = "a\xC3\xA9z";
    EXPECT_EQ(ConvertTextCodePage(text, sizeof text, kCodePageUTF8, 437), -1);
    EXPECT_STREQ(text, "a??z");
}

TEST(CodePages, CharactersOutsideWindows1252BecomeQuestionMarks) {
    char text[16] = "\xE2\x82\xAC \xE4\xB8\xAD";  // euro sign, CJK character
    ASSERT_EQ(ConvertFromUTF8(text, sizeof text, kCodePageAnsi), 0);
    EXPECT_STREQ(text, "\x80 ?");
}

TEST(CodePages, ConsoleIsIdentityInAUtf8Locale) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    char text[32] = "Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD";
    ASSERT_EQ(ConvertFromUTF8(text, sizeof text, kCodePageConsole), 0);
    EXPECT_STREQ(text, "Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD");
}

TEST(CodePages, ConsoleHasOnlyAsciiInTheCLocale) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    char text[32] = "Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD!";
    ASSERT_EQ(ConvertFromUTF8(text, sizeof text, kCodePageConsole), 0);
    EXPECT_STREQ(text, "Gr?? ?!");
}

}  // namespace
