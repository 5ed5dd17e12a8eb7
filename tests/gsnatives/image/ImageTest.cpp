// Image objects: pictures, colours and drawing checked pixel by pixel, the
// size limits, copies between and within images, text, and the natives as
// a script calls them.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "FontFixture.h"
#include "engine/bitmap/PictureBudget.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/image/GSOImage.h"
#include "gsnatives/support/NativeScriptHost.h"

namespace {

using GSNatives::GSOImage;

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

struct ImageDeleter {
    void operator()(GSOImage* image) const { delete image; }
};
using Image = std::unique_ptr<GSOImage, ImageDeleter>;

// An image outside any script context (no class bound), for direct calls.
Image NewImage() { return Image(new GSOImage(nullptr)); }

// The picture as rows of letters: R, G, B, W for the four colours, . for
// transparent black, ? for anything else.
std::string Picture(const GSOImage& image) {
    std::string text;
    const Vek::Bitmap* bitmap = image.GetBitmap();
    if (!bitmap) return "none";
    for (int y = 0; y < bitmap->GetHeight(); ++y) {
        for (int x = 0; x < bitmap->GetWidth(); ++x) {
            const uint32_t pixel = bitmap->GetPixel(x, y);
            text += pixel == kRed ? 'R' : pixel == kGreen ? 'G' : pixel == kBlue ? 'B' : pixel == kWhite ? 'W'
                                                                               : pixel == 0 ? '.' : '?';
        }
        text += '\n';
    }
    return text;
}

void Paint(GSOImage& image, int x, int y, uint32_t color) {
    const_cast<Vek::Bitmap*>(image.GetBitmap())->SetPixel(x, y, color);
}

TEST(ImageColors, ChannelsAreClampedAndRounded) {
    struct Case {
        float r, g, b, a;
        uint32_t color;
    };
    const Case cases[] = {
        {2.0f, -1.0f, 0.5f, 1.0f, 0xFFFF0080u},
        {0.0f, 0.0f, 0.0f, 0.0f, 0x00000000u},
        {0.2f, 0.4f, 0.6f, 0.8f, 0xCC336699u},
    };
    for (const Case& c : cases) EXPECT_EQ(GSOImage::ColorFromFloats(c.r, c.g, c.b, c.a), c.color) << std::hex << c.color;
}

TEST(ImagePictures, ClearAndResize) {
    Image image = NewImage();
    EXPECT_EQ(Picture(*image), "none");
    image->Clear(4, 3);
    EXPECT_EQ(Picture(*image), "....\n....\n....\n");
    EXPECT_EQ(image->GetChangeCount(), 1);
    image->Clear(0, 5);
    EXPECT_EQ(Picture(*image), "none");

    image->Clear(2, 2);
    Paint(*image, 0, 0, kRed);
    Paint(*image, 1, 0, kGreen);
    Paint(*image, 0, 1, kBlue);
    Paint(*image, 1, 1, kWhite);
    const int changes = image->GetChangeCount();
    image->Resize(2, 2, true);  // the same size: nothing, not even counted
    EXPECT_EQ(image->GetChangeCount(), changes);

    Image cropped = NewImage();
    cropped->Clear(2, 2);
    cropped->DrawImage({0, 0, 2, 2}, *image, {0, 0, 2, 2});
    cropped->Resize(4, 3, false);
    EXPECT_EQ(Picture(*cropped), "RG..\nBW..\n....\n");
    image->Resize(4, 4, true);
    EXPECT_EQ(Picture(*image), "RRGG\nRRGG\nBBWW\nBBWW\n");
    image->Resize(1, 1, false);
    EXPECT_EQ(Picture(*image), "R\n");
    image->Resize(0, 5, true);
    EXPECT_EQ(Picture(*image), "none");
}

// Sizes beyond 16,384 a side or 256 MiB of pixels, and products that would
// overflow, leave the image without picture instead of failing.
TEST(ImagePictures, OversizedPicturesAreRefused) {
    struct Case {
        int64_t w, h;
        bool allowed;
    };
    const Case limits[] = {
        {16384, 1, true}, {16385, 1, false}, {8192, 8192, true}, {8192, 8193, false},
        {INT_MAX, INT_MAX, false}, {65536, 65536, false}, {-1, 10, false}, {10, 0, false},
    };
    for (const Case& c : limits) EXPECT_EQ(GSOImage::IsAllowedSize(c.w, c.h), c.allowed) << c.w << " x " << c.h;

    // Refused sizes leave no picture, whether cleared or resized to.
    for (const Case& c : limits) {
        if (c.allowed) continue;
        Image image = NewImage();
        image->Clear(static_cast<int32_t>(c.w), static_cast<int32_t>(c.h));
        EXPECT_EQ(image->GetBitmap(), nullptr) << c.w << " x " << c.h;
        image->Clear(2, 2);
        image->Resize(static_cast<int32_t>(c.w), static_cast<int32_t>(c.h), true);
        EXPECT_EQ(image->GetBitmap(), nullptr) << c.w << " x " << c.h;
    }
}

// An image copies onto itself only between rectangles of one size (reading
// the picture as it was); between two images the destination's size does
// not matter, and nothing is scaled.
TEST(ImageCopies, TheSelfCopyRule) {
    Image image = NewImage();
    image->Clear(4, 2);
    Paint(*image, 0, 0, kRed);
    Paint(*image, 1, 0, kGreen);
    Paint(*image, 2, 0, kBlue);
    image->DrawImage({1, 0, 3, 1}, *image, {0, 0, 3, 1});
    EXPECT_EQ(Picture(*image), "RRGB\n....\n");
    EXPECT_EQ(image->GetChangeCount(), 2);

    image->DrawImage({0, 1, 4, 1}, *image, {0, 0, 2, 1});
    EXPECT_EQ(Picture(*image), "RRGB\n....\n");
    EXPECT_EQ(image->GetChangeCount(), 2);

    Image other = NewImage();
    other->Clear(3, 3);
    other->DrawImage({1, 1, 100, 100}, *image, {2, 0, 2, 1});
    EXPECT_EQ(Picture(*other), "...\n.GB\n...\n");

    Image empty = NewImage();
    other->DrawImage({0, 0, 1, 1}, *empty, {0, 0, 1, 1});
    EXPECT_EQ(other->GetChangeCount(), 2);
}

// Rectangles from scripts can lie anywhere and be of any size: only the
// part inside the source whose target lies inside the picture is copied,
// and the copy's cost follows the pictures, not the rectangles.
TEST(ImageCopies, RectanglesFarOutsideCopyWhatFallsInside) {
    Image source = NewImage();
    source->Clear(2, 2);
    Paint(*source, 0, 0, kRed);
    Paint(*source, 1, 0, kGreen);
    Paint(*source, 0, 1, kBlue);
    Paint(*source, 1, 1, kWhite);
    struct Case {
        Vek::Bitmap::Rect to, from;
        const char* picture;
    };
    const Case cases[] = {
        {{INT_MAX, 0, 2, 2}, {0, 0, 2, 2}, "...\n...\n...\n"},
        {{0, INT_MAX, 2, 2}, {0, 0, 2, 2}, "...\n...\n...\n"},
        {{INT_MIN, INT_MIN, 2, 2}, {0, 0, 2, 2}, "...\n...\n...\n"},
        {{1, 1, 2, 2}, {0, 0, INT_MAX, INT_MAX}, "...\n.RG\n.BW\n"},
        {{-1, -1, 2, 2}, {-2, -2, INT_MAX, INT_MAX}, "...\n.RG\n.BW\n"},
        {{0, 0, 2, 2}, {1, 1, INT_MAX, INT_MAX}, "W..\n...\n...\n"},
        {{-1, 0, 2, 2}, {0, 0, 2, 2}, "G..\nW..\n...\n"},
        {{0, 0, 2, 2}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, "...\n...\n...\n"},
        {{0, 0, 2, 2}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, "...\n...\n...\n"},
        {{0, 0, 2, 2}, {0, 0, -5, 2}, "...\n...\n...\n"},
    };
    for (const Case& c : cases) {
        Image target = NewImage();
        target->Clear(3, 3);
        target->DrawImage(c.to, *source, c.from);
        EXPECT_EQ(Picture(*target), c.picture) << c.to.x << "," << c.to.y << " from " << c.from.x << "," << c.from.y
                                               << " " << c.from.width << "x" << c.from.height;
        EXPECT_EQ(target->GetChangeCount(), 2);
    }

    // Onto itself, the one size on both sides.
    source->DrawImage({1, 0, INT_MAX, INT_MAX}, *source, {0, 0, INT_MAX, INT_MAX});
    EXPECT_EQ(Picture(*source), "RR\nBB\n");
}

// The natives as scripts call them, with a fake font back end.
class ImageNatives : public GSNativesTest::FontFixture {
protected:
    GSNativesTest::NativeScriptHost host;
};

const char* const kProbe = R"(include "Image.gs"
include "Soup.gs"
include "Constructors.gs"

class Probe isclass GameObject
{
	public Image New(void) { return ConstructorsBase.NewImage(); }
	public int Width(Image i) { return i.GetWidth(); }
	public int Height(Image i) { return i.GetHeight(); }
	public void Clear(Image i, int w, int h) { i.Clear(w, h); }
	public void Resize(Image i, int w, int h, bool scale) { i.Resize(w, h, scale); }
	public void Line(Image i, float r, float g, float b, float a) { i.SetLineColor(r, g, b, a); }
	public void Fill(Image i, float r, float g, float b, float a) { i.SetFillColor(r, g, b, a); }
	public void Point(Image i, int x, int y) { i.DrawPoint(x, y); }
	public void Rect(Image i, int x1, int y1, int x2, int y2) { i.DrawRect(x1, y1, x2, y2); }
	public void Segment(Image i, int x1, int y1, int x2, int y2) { i.DrawLine(x1, y1, x2, y2); }
	public void Circle(Image i, int x, int y, int r) { i.DrawCircle(x, y, r); }
	public void Triangle(Image i, int x1, int y1, int x2, int y2, int x3, int y3) { i.DrawTriangle(x1, y1, x2, y2, x3, y3); }
	public void Copy(Image i, int x, int y, Image s) { i.DrawImage(x, y, s); }
	public void Font(Image i, string face, int height) { i.SetTextFont(face, height); }
	public int Measure(Image i, string text) { return i.MeasureTextWidth(text); }
	public void Text(Image i, int x, int y, string text) { i.DrawText(x, y, text); }
	public Soup Export(Image i) { return i.ExportImage(); }
	public void Import(Image i, Soup s) { i.ImportImage(s); }
};
)";

GSOImage* ImageOf(uint32_t reference) {
    return dynamic_cast<GSOImage*>(GSRuntime::GSScriptInstance::FromReference(reference)->owner);
}

TEST_F(ImageNatives, DrawingFromAScript) {
    ASSERT_TRUE(host.Start(kProbe));
    using Host = GSNativesTest::NativeScriptHost;
    const uint32_t image = host.CallRef("$Image@Probe::New()");
    ASSERT_NE(image, 0u);
    EXPECT_EQ(host.Call("$int@Probe::Width(Image)", {Host::Counted(image)}), 0u);
    host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(image), 5, 5});
    EXPECT_EQ(host.Call("$int@Probe::Height(Image)", {Host::Counted(image)}), 5u);

    host.Call("$void@Probe::Fill(Image,float,float,float,float)",
              {Host::Counted(image), Host::Float(1), Host::Float(0), Host::Float(0), Host::Float(1)});
    host.Call("$void@Probe::Rect(Image,int,int,int,int)", {Host::Counted(image), 1, 1, 4, 4});
    EXPECT_EQ(Picture(*ImageOf(image)), ".....\n.WWW.\n.WRW.\n.WWW.\n.....\n");
    // Coordinates far outside draw what falls inside, quickly.
    host.Call("$void@Probe::Segment(Image,int,int,int,int)",
              {Host::Counted(image), static_cast<uint32_t>(INT_MIN), 0, static_cast<uint32_t>(INT_MAX), 0});
    host.Call("$void@Probe::Circle(Image,int,int,int)", {Host::Counted(image), 2, 2, static_cast<uint32_t>(INT_MAX)});
    host.Call("$void@Probe::Point(Image,int,int)", {Host::Counted(image), 7, static_cast<uint32_t>(-3)});
    host.Call("$void@Probe::Triangle(Image,int,int,int,int,int,int)",
              {Host::Counted(image), static_cast<uint32_t>(INT_MIN), static_cast<uint32_t>(INT_MIN),
               static_cast<uint32_t>(INT_MAX), 0, 0, static_cast<uint32_t>(INT_MAX)});
    host.Call("$void@Probe::Rect(Image,int,int,int,int)",
              {Host::Counted(image), static_cast<uint32_t>(INT_MIN), static_cast<uint32_t>(INT_MIN),
               static_cast<uint32_t>(INT_MAX), static_cast<uint32_t>(INT_MAX)});
    // The triangle and the circle cover the picture in the fill colour;
    // the outlines lie outside.
    EXPECT_EQ(Picture(*ImageOf(image)), "RRRRR\nRRRRR\nRRRRR\nRRRRR\nRRRRR\n");

    // Export gives a locked soup without tags; import changes nothing but
    // the count.
    const uint32_t soup = host.CallRef("$Soup@Probe::Export(Image)", {Host::Counted(image)});
    ASSERT_NE(soup, 0u);
    auto* exported = dynamic_cast<GSNatives::GSOSoup*>(GSRuntime::GSScriptInstance::FromReference(soup)->owner);
    ASSERT_NE(exported, nullptr);
    EXPECT_TRUE(exported->IsLocked());
    EXPECT_EQ(exported->GetSoup().Count(), 0);
    const std::string before = Picture(*ImageOf(image));
    const int changes = ImageOf(image)->GetChangeCount();
    host.Call("$void@Probe::Import(Image,Soup)", {Host::Counted(image), Host::Counted(soup)});
    EXPECT_EQ(ImageOf(image)->GetChangeCount(), changes + 1);
    EXPECT_EQ(Picture(*ImageOf(image)), before);

    // A null image argument kills the calling thread and copies nothing.
    bool ok = true;
    host.Call("$void@Probe::Copy(Image,int,int,Image)", {Host::Counted(image), 0, 0, 0}, &ok);
    EXPECT_EQ(ImageOf(image)->GetChangeCount(), changes + 1);
}

TEST_F(ImageNatives, TextFontsMeasuresAndGlyphs) {
    ASSERT_TRUE(host.Start(kProbe));
    using Host = GSNativesTest::NativeScriptHost;
    const uint32_t image = host.CallRef("$Image@Probe::New()");
    ASSERT_NE(image, 0u);
    host.Call("$void@Probe::Font(Image,string,int)", {Host::Counted(image), host.Text("SwIss"), static_cast<uint32_t>(-3)});
    EXPECT_STREQ(ImageOf(image)->GetFontFace().c_str(), "swiss");
    EXPECT_EQ(ImageOf(image)->GetFontSize(), -3);
    host.Call("$void@Probe::Font(Image,string,int)", {Host::Counted(image), host.Text("swiss"), 10});

    // Works without a picture: 3 characters of 7 pixels.
    EXPECT_EQ(host.Call("$int@Probe::Measure(Image,string)", {Host::Counted(image), host.Text("abc")}), 21u);
    fonts.refused = {{"nothing", -1}};
    host.Call("$void@Probe::Font(Image,string,int)", {Host::Counted(image), host.Text("nothing"), 10});
    EXPECT_EQ(host.Call("$int@Probe::Measure(Image,string)", {Host::Counted(image), host.Text("abc")}), 0u);

    // Text is composed in the line colour: the fake draws each character's
    // 5-pixel black box between bearings of one pixel, over the whole cell
    // height, and the pen moves by 7 pixels a character.
    host.Call("$void@Probe::Font(Image,string,int)", {Host::Counted(image), host.Text("swiss"), 10});
    host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(image), 12, 10});
    host.Call("$void@Probe::Text(Image,int,int,string)", {Host::Counted(image), 1, 0, host.Text("ab")});
    EXPECT_EQ(Picture(*ImageOf(image)).substr(0, 13), ".WWWWW..WWWW\n");
    EXPECT_GT(GSNatives::GlyphAtlas::GetCellCount(), 1);
    EXPECT_FALSE(GSNatives::GlyphAtlas::IsPinned());

    // A sequence cut short by the end of the text ends it when drawn as when
    // measured: nothing is drawn for it.
    for (const char* cut : {"a\xC3", "a\xE2\x82", "a\xF0\x9F\x98"}) {
        SCOPED_TRACE(cut + 1);
        host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(image), 12, 10});
        host.Call("$void@Probe::Text(Image,int,int,string)", {Host::Counted(image), 1, 0, host.Text(cut)});
        EXPECT_EQ(Picture(*ImageOf(image)).substr(0, 13), ".WWWWW......\n");
        EXPECT_EQ(host.Call("$int@Probe::Measure(Image,string)", {Host::Counted(image), host.Text(cut)}), 7u);
    }
}

// Scripts' pictures take their bytes from the process's picture budget: past
// it a Clear or Resize leaves the image without picture, as an oversized one
// does, and a picture given up makes room again.
TEST_F(ImageNatives, PicturesShareTheProcesssBudget) {
    ASSERT_TRUE(host.Start(kProbe));
    using Host = GSNativesTest::NativeScriptHost;
    const uint64_t picture = 64 * 64 * 4;
    Vek::PictureBudget::SetLimit(Vek::PictureBudget::InUse() + 3 * picture);
    std::vector<uint32_t> images;
    for (int i = 0; i < 4; ++i) {
        images.push_back(host.CallRef("$Image@Probe::New()"));
        ASSERT_NE(images.back(), 0u);
        host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(images.back()), 64, 64});
    }
    const auto width = [&](int i) { return host.Call("$int@Probe::Width(Image)", {Host::Counted(images[i])}); };
    EXPECT_EQ(width(2), 64u);
    EXPECT_EQ(width(3), 0u) << "the fourth picture finds no room";
    host.Call("$void@Probe::Resize(Image,int,int,bool)", {Host::Counted(images[2]), 64, 65, true});
    EXPECT_EQ(width(2), 0u) << "a resize needs both pictures at once";
    host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(images[3]), 64, 64});
    EXPECT_EQ(width(3), 64u) << "room given back by the failed resize";
    host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(images[0]), 0, 0});
    host.Call("$void@Probe::Clear(Image,int,int)", {Host::Counted(images[2]), 32, 128});
    EXPECT_EQ(width(2), 32u);
    Vek::PictureBudget::SetLimit(0);
}

}  // namespace
