// Bitmap drawing primitives on small pixel grids, format copies, scaling and
// aliases.
#include <gtest/gtest.h>

#include <string>

#include "engine/bitmap/Bitmap.h"

using Vek::Bitmap;

namespace {

constexpr uint32_t W = 0xFFFFFFFFu;  // opaque white
constexpr uint32_t K = 0x00000000u;  // transparent black

// The grid as text: '#' for `on`, '.' for anything else.
std::string Grid(const Bitmap& b, uint32_t on) {
    std::string out;
    for (int y = 0; y < b.GetHeight(); ++y) {
        for (int x = 0; x < b.GetWidth(); ++x) out += b.GetPixel(x, y) == on ? '#' : '.';
        out += '\n';
    }
    return out;
}

Bitmap Blank(int w, int h) {
    Bitmap b;
    EXPECT_TRUE(b.Init(w, h, Bitmap::kARGB32));
    b.Clear(K);
    return b;
}

}  // namespace

TEST(Bitmap, ShapesOnSmallGrids) {
    struct Case {
        const char* what;
        void (*draw)(Bitmap&);
        const char* expected;
    } cases[] = {
        {"box outline", [](Bitmap& b) { b.Box(1, 1, 4, 3, W, 0); }, ".....\n.####\n.#..#\n.####\n.....\n"},
        {"box filled, clipped", [](Bitmap& b) { b.Box(3, -2, 9, 4, W, 1); }, "...##\n...##\n.....\n.....\n.....\n"},
        {"box with negative size", [](Bitmap& b) { b.Box(3, 3, -2, -2, W, 1); }, ".....\n.##..\n.##..\n.....\n.....\n"},
        {"diagonal line", [](Bitmap& b) { b.Line(0, 0, 4, 4, W, 2); }, "#....\n.#...\n..#..\n...#.\n....#\n"},
        {"line leaving the grid", [](Bitmap& b) { b.Line(-3, 2, 9, 2, W, 2); }, ".....\n.....\n#####\n.....\n.....\n"},
        {"circle filled", [](Bitmap& b) { b.Circle(2, 2, 2, W, 1); }, "..#..\n.###.\n#####\n.###.\n..#..\n"},
        {"circle outline", [](Bitmap& b) { b.Circle(2, 2, 2, W, 2); }, ".###.\n#...#\n#...#\n#...#\n.###.\n"},
        {"circle of radius 0", [](Bitmap& b) { b.Circle(0, 4, 0, W, 1); }, ".....\n.....\n.....\n.....\n#....\n"},
        {"triangle filled", [](Bitmap& b) { b.Triangle(0, 0, 4, 0, 0, 4, W, 1); }, "#####\n####.\n###..\n##...\n#....\n"},
        {"triangle filled, other winding", [](Bitmap& b) { b.Triangle(0, 0, 0, 4, 4, 0, W, 1); },
         "#####\n####.\n###..\n##...\n#....\n"},
        {"triangle outline", [](Bitmap& b) { b.Triangle(0, 0, 4, 0, 0, 4, W, 2); }, "#####\n#..#.\n#.#..\n##...\n#....\n"},
        {"degenerate triangle", [](Bitmap& b) { b.Triangle(0, 1, 2, 1, 4, 1, W, 1); }, ".....\n#####\n.....\n.....\n.....\n"},
        {"far outside", [](Bitmap& b) { b.Box(100, 100, 5, 5, W, 1); b.Circle(-50, -50, 3, W, 1); b.BlendPixel(5, 0, W); },
         ".....\n.....\n.....\n.....\n.....\n"},
    };
    for (const Case& c : cases) {
        Bitmap b = Blank(5, 5);
        c.draw(b);
        EXPECT_EQ(Grid(b, W), c.expected) << c.what;
    }
}

TEST(Bitmap, PixelsBlendByTheColoursAlpha) {
    Bitmap b = Blank(2, 1);
    b.SetPixel(0, 0, 0xFF000000u);
    b.BlendPixel(0, 0, 0x80FFFFFFu);  // half white over opaque black
    EXPECT_EQ(b.GetPixel(0, 0), 0xFF808080u);
    b.BlendPixel(1, 0, 0x00FF0000u);  // fully transparent: nothing
    EXPECT_EQ(b.GetPixel(1, 0), K);
    b.Box(0, 0, 2, 1, 0x00123456u, 1);
    EXPECT_EQ(b.GetPixel(0, 0), 0xFF808080u);
}

TEST(Bitmap, ImageCopiesAreClipped) {
    Bitmap src = Blank(3, 3);
    src.Clear(W);
    Bitmap dst = Blank(4, 4);
    Bitmap::Rect all{0, 0, 3, 3};
    Bitmap::Rect clip{0, 0, 3, 3};
    dst.Image(src, 2, 2, all, 0, &clip);
    EXPECT_EQ(Grid(dst, W), "....\n....\n..#.\n....\n");
    dst.Clear(K);
    dst.Image(src, -1, -1, all, 4);
    EXPECT_EQ(Grid(dst, W), "##..\n##..\n....\n....\n");
    // A copy of a bitmap onto itself reads the picture as it was.
    Bitmap self = Blank(3, 1);
    self.SetPixel(0, 0, W);
    self.Image(self, 1, 0, Bitmap::Rect{0, 0, 2, 1}, 0);
    EXPECT_EQ(Grid(self, W), "##.\n");
}

TEST(Bitmap, FormatsScaleAndAliases) {
    Bitmap rgb;
    ASSERT_TRUE(rgb.Init(2, 2, Bitmap::kRGB24));
    EXPECT_EQ(rgb.GetStride(), 6u);
    EXPECT_EQ(rgb.GetByteSize(), 12u);
    rgb.SetPixel(1, 1, 0x80102030u);
    EXPECT_EQ(rgb.GetPixel(1, 1), 0xFF102030u);  // no alpha stored

    Bitmap argb = Blank(2, 2);
    ASSERT_TRUE(argb.CopyImage(rgb, 0, 0));
    EXPECT_EQ(argb.GetPixel(1, 1), 0xFF102030u);

    Bitmap four = Blank(4, 2);
    four.Box(0, 0, 2, 2, 0xFF000000u, 1);
    four.Box(2, 0, 2, 2, 0xFFFFFFFFu, 1);
    auto half = four.Scale(2, 1);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->GetPixel(0, 0), 0xFF000000u);
    EXPECT_EQ(half->GetPixel(1, 0), 0xFFFFFFFFu);
    auto one = four.Scale(1, 1);
    EXPECT_EQ(one->GetPixel(0, 0), 0xFF808080u);
    EXPECT_FALSE(four.Scale(0, 1));

    uint8_t raw[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Bitmap alias;
    ASSERT_TRUE(alias.InitAlias(4, 4, Bitmap::kRaw, raw, sizeof raw));
    EXPECT_TRUE(alias.IsAlias());
    EXPECT_EQ(alias.GetData(), raw);
    alias.DetachAlias();
    EXPECT_FALSE(alias.IsAlias());
    raw[0] = 9;
    EXPECT_EQ(alias.GetData()[0], 1);
    EXPECT_EQ(alias.GetPixel(0, 0), 0u);  // no pixel access to raw data

    Bitmap bad;
    EXPECT_FALSE(bad.Init(0, 4, Bitmap::kARGB32));
    EXPECT_FALSE(bad.Init(4, 4, 7));
    EXPECT_FALSE(bad.Init(Bitmap::kMaxSide + 1, 1, Bitmap::kARGB32));
    uint8_t few[3] = {};
    EXPECT_FALSE(bad.Init(2, 2, Bitmap::kARGB32, few, sizeof few));
    EXPECT_TRUE(bad.IsEmpty());
    EXPECT_FALSE(bad.LoadFromMemory(few, sizeof few));
}
