// The product's fonts (FreeType with fontconfig and the DejaVu faces): only
// relations hold across font versions, so only relations are checked.
#include <gtest/gtest.h>

#include <cstdlib>

#include "FontFixture.h"
#include "gsnatives/fonts/TTFont.h"

namespace {

class ProductFonts : public GSNativesTest::FontFixture {
protected:
    bool UseProductFonts() const override { return true; }
};

TEST_F(ProductFonts, TheGenericFacesMeasureAndRender) {
    for (const char* face : {"swiss", "roman", "modern", "no such face"}) {
        SCOPED_TRACE(face);
        GSNatives::TTFont* font = GSNatives::FindOrCreateFont(Key(face, 16));
        ASSERT_NE(font, nullptr);
        EXPECT_GE(font->GetLineHeight(), 14);
        EXPECT_LE(font->GetLineHeight(), 18);
        EXPECT_GT(font->GetAscent(), 0);
        EXPECT_GT(font->CharAdvance('a'), 0);
        EXPECT_EQ(font->MeasureText("Vorlex"), font->CharAdvance('V') + font->CharAdvance('o') +
                                                   font->CharAdvance('r') + font->CharAdvance('l') +
                                                   font->CharAdvance('e') + font->CharAdvance('x'));
        GSNatives::GlyphPlacement glyph;
        ASSERT_TRUE(font->GetGlyph('W', glyph));
        EXPECT_GT(glyph.width, 0.0f);
    }
    // Monospace: every letter as wide as any other.
    GSNatives::TTFont* modern = GSNatives::FindOrCreateFont(Key("modern", 16));
    EXPECT_EQ(modern->CharAdvance('i'), modern->CharAdvance('W'));
}

TEST_F(ProductFonts, BoldIsNotNarrower) {
    GSNatives::FontKey boldKey = Key("swiss", 20);
    boldKey.bold = 1;
    GSNatives::TTFont* regular = GSNatives::FindOrCreateFont(Key("swiss", 20));
    GSNatives::TTFont* bold = GSNatives::FindOrCreateFont(boldKey);
    ASSERT_TRUE(regular && bold);
    EXPECT_GE(bold->MeasureText("The quick brown fox"), regular->MeasureText("The quick brown fox"));
}

// A host that measured text and then returns from main (or calls exit)
// destroys the process's fonts and their FreeType library in whatever order
// the statics fall: the faces must still be closable then.
TEST_F(ProductFonts, TheProcessExitsCleanlyAfterMeasuringText) {
    EXPECT_EXIT(
        {
            GSNatives::TTFont* font = GSNatives::FindOrCreateFont(Key("swiss", 16));
            const bool measured = font && font->MeasureText("Vorlex") > 0;
            std::exit(measured ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
