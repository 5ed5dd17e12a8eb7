// Fonts and the glyph atlas over a scripted font back end: the cache, the
// character-set retry, measurements, glyph finishing, and the atlas's
// shelves, borders, pins and reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FontFixture.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/display/MemoryTexture.h"
#include "gsnatives/fonts/GlyphAtlas.h"
#include "gsnatives/fonts/TTFont.h"

namespace {

using GSNatives::FindOrCreateFont;
using GSNatives::GlyphPlacement;
using GSNatives::TTFont;
namespace GlyphAtlas = GSNatives::GlyphAtlas;

class Fonts : public GSNativesTest::FontFixture {};

TEST_F(Fonts, TheCacheGivesOneFontPerKeyAndNumbersNewOnes) {
    TTFont* first = FindOrCreateFont(Key("swiss", 12));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FindOrCreateFont(Key("swiss", 12)), first);
    TTFont* larger = FindOrCreateFont(Key("swiss", 13));
    ASSERT_NE(larger, nullptr);
    EXPECT_EQ(larger->GetId(), first->GetId() + 1);
    EXPECT_EQ(fonts.requests.size(), 2u);
    EXPECT_EQ(fonts.requests[0].height, 12);
    EXPECT_EQ(fonts.requests[0].weight, 400);
    EXPECT_EQ(fonts.requests[0].quality, 3);
}

// The cache keeps at most kMaxCachedFonts fonts: a new one takes the place
// of the one asked for longest ago, but never of one whose glyph the atlas
// still pins.
TEST_F(Fonts, TheCacheIsBoundedAndKeepsFontsWithPinnedGlyphs) {
    const int bound = static_cast<int>(GSNatives::kMaxCachedFonts);
    // Whether the size's font is made anew (not found in the cache).
    const auto madeAnew = [&](int size) {
        const std::size_t asked = fonts.requests.size();
        EXPECT_NE(FindOrCreateFont(Key("swiss", size)), nullptr);
        return fonts.requests.size() > asked;
    };
    for (int size = 1; size <= bound; ++size) ASSERT_TRUE(madeAnew(size));
    EXPECT_FALSE(madeAnew(1));  // asked again: 2 is now the oldest
    EXPECT_TRUE(madeAnew(bound + 1));
    EXPECT_FALSE(madeAnew(1));
    EXPECT_TRUE(madeAnew(2)) << "the font asked for longest ago went";

    // A pinned glyph keeps its font even as the oldest.
    GSNatives::ResetFontCache();
    TTFont* pinned = FindOrCreateFont(Key("swiss", 1));
    ASSERT_NE(pinned, nullptr);
    GlyphPlacement glyph;
    ASSERT_TRUE(pinned->GetGlyph('x', glyph));
    ASSERT_TRUE(GlyphAtlas::IsPinned());
    for (int size = 2; size <= bound + 1; ++size) ASSERT_TRUE(madeAnew(size));
    EXPECT_EQ(FindOrCreateFont(Key("swiss", 1)), pinned);
    EXPECT_TRUE(madeAnew(2)) << "the oldest font without a pinned glyph went";
    // Once the pins are released the font can go like any other.
    GlyphAtlas::ReleasePins();
    for (int size = bound + 2; size <= 2 * bound + 1; ++size) ASSERT_TRUE(madeAnew(size));
    EXPECT_TRUE(madeAnew(1));
}

TEST_F(Fonts, ANamedCharacterSetIsRetriedOnceWithTheDefaultSet) {
    struct Case {
        const char* name;
        int refusedCharset;  // -1 every set
        const char* charset;
        bool made;
        std::string log;
    };
    const Case cases[] = {
        {"refused everywhere", -1, "Greek", false,
         "TTFont::Init> 'bad' CreateFontW failed\nTTFont::Init> 'bad' retrying with DEFAULT_CHARSET\n"
         "TTFont::Init> 'bad' CreateFontW failed\nTTFont::Init> 'bad' failed retry\n"},
        {"no set named", -1, nullptr, false,
         "TTFont::Init> 'bad' CreateFontW failed\nTTFont::Init> 'bad' failed retry\n"},
        {"only the named set refused", 161, "greek", true,
         "TTFont::Init> 'bad' CreateFontW failed\nTTFont::Init> 'bad' retrying with DEFAULT_CHARSET\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GSNatives::ResetFontCache();
        fonts.refused = {{"bad", c.refusedCharset}};
        fonts.requests.clear();
        Log();
        GSNatives::FontKey key = Key("bad", 12);
        if (c.charset) key.charset = Vek::PString(c.charset);
        EXPECT_EQ(FindOrCreateFont(key) != nullptr, c.made);
        EXPECT_EQ(Log(), c.log);
        // A failure is not cached: the next request asks again.
        if (!c.made) {
            const std::size_t asked = fonts.requests.size();
            FindOrCreateFont(key);
            EXPECT_GT(fonts.requests.size(), asked);
        }
    }
}

TEST_F(Fonts, MeasurementsOfCharactersAndTexts) {
    fonts.widths['W'] = 9;
    TTFont* font = FindOrCreateFont(Key("swiss", 12));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetLineHeight(), 10);
    EXPECT_EQ(font->GetAscent(), 8);
    EXPECT_EQ(font->GetSpaceAdvance(), 7);
    struct Case {
        const char* text;
        int width;
    };
    const Case cases[] = {
        {"", 0},
        {"ab", 14},
        {"aW", 18},
        {"a\tb", 21},         // a tab measures as a space
        {"a\nb", 14},         // a line feed is nothing
        {"\xC3\xA9", 7},      // one two-byte character
        {"a\xC3", 7},         // a sequence cut short adds nothing
        {"a\xE2\x82", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(font->MeasureText(c.text), c.width) << c.text;
    EXPECT_EQ(font->CharAdvance('\t'), font->CharAdvance(' '));
    EXPECT_EQ(font->CharAdvance('\n'), 0);
}

// A text wider than int32 can hold measures as the widest: the sum does not
// wrap round to a negative width.
TEST_F(Fonts, ATextWiderThanTheRangeMeasuresAsTheWidest) {
    fonts.width = (1 << 20) - 2;  // each character advances 2^20
    TTFont* font = FindOrCreateFont(Key("swiss", 12));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->MeasureText(std::string(2047, 'a').c_str()), 2047 << 20);
    EXPECT_EQ(font->MeasureText(std::string(2048, 'a').c_str()), INT32_MAX);
    EXPECT_EQ(font->MeasureText(std::string(100000, 'a').c_str()), INT32_MAX);
}

// A text of ever new characters does not grow a font's kept advances
// without end, and the advances stay right when they are asked again.
TEST_F(Fonts, KeptAdvancesAreBounded) {
    fonts.widths[0x4E00] = 9;
    TTFont* font = FindOrCreateFont(Key("swiss", 12));
    ASSERT_NE(font, nullptr);
    std::size_t most = 0;
    for (uint32_t character = 0x4E00; character < 0x4E00 + 0x10000; ++character) {
        font->CharAdvance(character);
        most = std::max(most, font->GetCachedAdvanceCount());
    }
    EXPECT_LE(most, 4096u);
    EXPECT_EQ(font->CharAdvance(0x4E00), 11);
    EXPECT_EQ(font->CharAdvance(0x4E01), 7);
}

TEST_F(Fonts, TheShadowStyleAddsARowAndAColumn) {
    GSNatives::FontKey shadowed = Key("swiss", 12);
    shadowed.shadow = 1;
    TTFont* plain = FindOrCreateFont(Key("swiss", 12));
    TTFont* shadow = FindOrCreateFont(shadowed);
    ASSERT_TRUE(plain && shadow);
    EXPECT_EQ(shadow->GetLineHeight(), plain->GetLineHeight() + 1);

    GlyphPlacement a, b;
    ASSERT_TRUE(plain->GetGlyph('x', a));
    ASSERT_TRUE(shadow->GetGlyph('x', b));
    EXPECT_EQ(a.advance, 8);
    EXPECT_EQ(a.left, -1);
    EXPECT_EQ(b.advance, 9);
    EXPECT_EQ(b.left, -2);
    EXPECT_FLOAT_EQ(b.width * GlyphAtlas::kSize, a.width * GlyphAtlas::kSize + 1);
    EXPECT_FLOAT_EQ(b.height * GlyphAtlas::kSize, a.height * GlyphAtlas::kSize + 1);

    // Whitespace has no cell; control characters have nothing at all.
    GlyphPlacement space, control;
    EXPECT_TRUE(plain->GetGlyph(' ', space));
    EXPECT_EQ(space.advance, 7);
    EXPECT_EQ(space.width, 0);
    EXPECT_TRUE(plain->GetGlyph('\n', control));
    EXPECT_EQ(control.advance, 0);
}

// A glyph gets a cell only when it and its border fit the atlas; one too
// large is refused before anything is drawn, so that a huge font size never
// makes a huge glyph bitmap.
TEST_F(Fonts, AGlyphTooLargeForACellIsRefusedBeforeItIsDrawn) {
    struct Case {
        const char* name;
        int lineHeight;
        int blackBox;  // the cell is this plus 3 wide: two bearings and a column
        bool placed;
    };
    const Case cases[] = {
        {"as large as a cell takes", GlyphAtlas::kMaxGlyphSide, GlyphAtlas::kMaxGlyphSide - 3, true},
        {"a row too tall", GlyphAtlas::kMaxGlyphSide + 1, 5, false},
        {"a column too wide", 10, GlyphAtlas::kMaxGlyphSide - 2, false},
        {"the largest size the product makes", 4096, 3000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GSNatives::ResetFontCache();
        GlyphAtlas::Shutdown();
        fonts.metrics = {c.lineHeight, c.lineHeight - 2};
        fonts.widths['W'] = c.blackBox;
        fonts.drawn = 0;
        TTFont* font = FindOrCreateFont(Key("swiss", 12));
        ASSERT_NE(font, nullptr);
        GlyphPlacement glyph;
        EXPECT_EQ(font->GetGlyph('W', glyph), c.placed);
        EXPECT_EQ(fonts.drawn, c.placed ? 1 : 0);
        EXPECT_EQ(GlyphAtlas::GetCellCount(), c.placed ? 1 : 0);
        if (c.placed) {
            EXPECT_FLOAT_EQ(glyph.width * GlyphAtlas::kSize, GlyphAtlas::kMaxGlyphSide);
            EXPECT_FLOAT_EQ(glyph.height * GlyphAtlas::kSize, GlyphAtlas::kMaxGlyphSide);
        }
        // The pen still moves by the character's advance.
        EXPECT_EQ(font->MeasureText("W"), c.blackBox + 2);
    }
}

// Finishing a glyph: drawn pixels become opaque; with the shadow style the
// pixel down and to the right of a drawn one becomes black as opaque as it
// was bright; without shadow or antialiasing the background is
// transparent white, with antialiasing it stays 0.
TEST_F(Fonts, FinishingAGlyph) {
    struct Case {
        const char* name;
        uint8_t shadow, antialiased;
        uint32_t drawn, belowRight, elsewhere;
    };
    const Case cases[] = {
        {"plain", 0, 0, 0xFF808080u, 0x00FFFFFFu, 0x00FFFFFFu},
        {"antialiased", 0, 1, 0xFF808080u, 0, 0},
        {"shadow", 1, 0, 0xFF808080u, 0x80000000u, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GSNatives::FontKey key = Key("swiss", 12);
        key.shadow = c.shadow;
        key.antialiased = c.antialiased;
        TTFont* font = FindOrCreateFont(key);
        ASSERT_NE(font, nullptr);
        Vek::Bitmap glyph;
        ASSERT_TRUE(glyph.Init(3, 3, Vek::Bitmap::kARGB32));
        glyph.Clear(0);
        glyph.SetPixel(0, 0, 0x00808080u);
        font->FinishGlyph(glyph);
        EXPECT_EQ(glyph.GetPixel(0, 0), c.drawn);
        EXPECT_EQ(glyph.GetPixel(1, 1), c.belowRight);
        EXPECT_EQ(glyph.GetPixel(2, 2), c.elsewhere);
    }
}

class Atlas : public GSNativesTest::FontFixture {
protected:
    static Vek::Bitmap Square(int side, uint32_t color) {
        Vek::Bitmap bitmap;
        bitmap.Init(side, side, Vek::Bitmap::kARGB32);
        bitmap.Clear(color);
        return bitmap;
    }
};

TEST_F(Atlas, SixtyFourCellsOfSixtyPixelsFitThenAFullAtlasResetsUnlessPinned) {
    const Vek::Bitmap glyph = Square(60, 0xFFFFFFFFu);
    for (uint32_t i = 0; i < 64; ++i) ASSERT_TRUE(GlyphAtlas::AddGlyph(glyph, i)) << i;
    int left, top, right, bottom;
    ASSERT_TRUE(GlyphAtlas::GetCellRect(63, left, top, right, bottom));
    EXPECT_EQ(left, 7 * 62 + 1);
    EXPECT_EQ(top, 7 * 62 + 1);
    EXPECT_EQ(right - left, 60);

    // A lookup pins: the 65th glyph is refused and nothing is forgotten.
    float u, v, w, h;
    ASSERT_TRUE(GlyphAtlas::Lookup(5, u, v, w, h));
    EXPECT_FLOAT_EQ(u, (5 * 62 + 1) / 512.0f);
    EXPECT_FALSE(GlyphAtlas::AddGlyph(glyph, 64));
    EXPECT_EQ(GlyphAtlas::GetCellCount(), 64);

    // Without pins the atlas starts over.
    GlyphAtlas::ReleasePins();
    EXPECT_FALSE(GlyphAtlas::IsPinned());
    ASSERT_TRUE(GlyphAtlas::AddGlyph(glyph, 64));
    EXPECT_EQ(GlyphAtlas::GetCellCount(), 1);
    ASSERT_TRUE(GlyphAtlas::GetCellRect(64, left, top, right, bottom));
    EXPECT_EQ(left, 1);
    EXPECT_EQ(top, 1);
}

TEST_F(Atlas, CellsRepeatTheirEdgePixelsInTheirBorder) {
    Vek::Bitmap glyph;
    ASSERT_TRUE(glyph.Init(2, 2, Vek::Bitmap::kARGB32));
    const uint32_t pixels[2][2] = {{0xFF000001u, 0xFF000002u}, {0xFF000003u, 0xFF000004u}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) glyph.SetPixel(x, y, pixels[y][x]);
    ASSERT_TRUE(GlyphAtlas::AddGlyph(Square(3, 0xFF777777u), 1));  // the cell after it starts at x = 5
    ASSERT_TRUE(GlyphAtlas::AddGlyph(glyph, 2));
    const Vek::MemoryTexture* texture = GlyphAtlas::GetTexture();
    ASSERT_NE(texture, nullptr);
    // The 4 x 4 block at (5, 0): border and glyph.
    const uint32_t expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(texture->GetTexel(5 + x, y), 0xFF000000u | expected[y][x]) << x << "," << y;

    // Too large for a cell, or empty: no cell.
    EXPECT_FALSE(GlyphAtlas::AddGlyph(Square(511, 0xFFFFFFFFu), 3));
    EXPECT_FALSE(GlyphAtlas::AddGlyph(Vek::Bitmap(), 4));
}

TEST_F(Atlas, WithoutARenderKernelThereIsNoAtlas) {
    Vek::RenderKernel::SetCurrent(nullptr);
    EXPECT_FALSE(GlyphAtlas::AddGlyph(Square(4, 0xFFFFFFFFu), 1));
    EXPECT_EQ(GlyphAtlas::GetTexture(), nullptr);
}

// Keys of fonts past 4095 and characters past U+FFFFF stay apart.
TEST(GlyphKeys, FontsAndCharactersNeverShareAKey) {
    EXPECT_NE(GlyphAtlas::GlyphKey(1, 0x41), GlyphAtlas::GlyphKey(0, 0x100041));
    EXPECT_NE(GlyphAtlas::GlyphKey(4096, 0x41), GlyphAtlas::GlyphKey(0, 0x41));
    EXPECT_NE(GlyphAtlas::GlyphKey(0, 0x10FFFF), GlyphAtlas::GlyphKey(1, 0xFFFFF));
}

}  // namespace
