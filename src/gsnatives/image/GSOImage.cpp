#include "gsnatives/image/GSOImage.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/display/MemoryTexture.h"
#include "gsnatives/BoundObject.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/fonts/FontKey.h"
#include "gsnatives/fonts/GlyphAtlas.h"
#include "gsnatives/fonts/TTFont.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using GSRuntime::GSStack;

namespace {

int32_t IntArg(const GSStack* stack, int index) { return static_cast<int32_t>(stack->Local(index)); }

float FloatArg(const GSStack* stack, int index) {
    float value = 0;
    GSRuntime::GetFloatParam(stack, index, value);
    return value;
}

// b - a, kept within int so that extreme script coordinates cannot
// overflow.
int Span(int32_t a, int32_t b) {
    return static_cast<int>(std::clamp<int64_t>(int64_t(b) - a, INT_MIN, INT_MAX));
}

uint8_t Channel(uint32_t color, int shift) { return static_cast<uint8_t>(color >> shift); }

// `color` with its alpha scaled by coverage / 255.
uint32_t WithCoverage(uint32_t color, uint32_t coverage) {
    const uint32_t alpha = (Channel(color, 24) * coverage + 127) / 255;
    return (color & 0x00FFFFFFu) | (alpha << 24);
}

// Work charged to the execution budget (GSExecutionBudget.h): 4 units a
// pixel filled or copied, 8 a pixel blended.
constexpr uint64_t kWorkPerPixelWritten = 4;
constexpr uint64_t kWorkPerPixelBlended = 8;

// The pixels of the rectangle with corners (x1, y1) and (x2, y2), both
// inside it, that lie in a picture of width x height.
uint64_t VisiblePixels(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t width, int64_t height) {
    const int64_t left = std::max<int64_t>(std::min(x1, x2), 0);
    const int64_t right = std::min<int64_t>(std::max(x1, x2) + 1, width);
    const int64_t top = std::max<int64_t>(std::min(y1, y2), 0);
    const int64_t bottom = std::min<int64_t>(std::max(y1, y2) + 1, height);
    return left < right && top < bottom ? uint64_t(right - left) * uint64_t(bottom - top) : 0;
}

std::unique_ptr<Vek::Bitmap> NewPicture(int32_t width, int32_t height, uint32_t color) {
    if (!GSOImage::IsAllowedSize(width, height)) return nullptr;
    GSRuntime::GSChargeWork(uint64_t(width) * uint64_t(height) * kWorkPerPixelWritten);
    auto bitmap = std::make_unique<Vek::Bitmap>();
    if (!bitmap->InitWithinBudget(width, height, Vek::Bitmap::kARGB32)) return nullptr;
    bitmap->Clear(color);
    return bitmap;
}

}  // namespace

GSOImage::GSOImage(GSRuntime::GSContext* context) : m_fontFace("swiss") {
    BindClass(GetScriptClass(ScriptClass::Image), context);
}

GSOImage::~GSOImage() = default;

GSOImage* GSOImage::Create(GSRuntime::GSContext* context) { return KeepIfBound(new GSOImage(context)); }

GSOImage* GSOImage::LoadFromFile(GSRuntime::GSContext* context, const Vek::PString& folder, const char* path) {
    GSOImage* image = Create(context);
    if (!image) return nullptr;
    auto bitmap = std::make_unique<Vek::Bitmap>();
    if (!path || !bitmap->Load(path, folder, false) || !IsAllowedSize(bitmap->GetWidth(), bitmap->GetHeight())) {
        delete image;
        return nullptr;
    }
    image->m_bitmap = std::move(bitmap);
    return image;
}

bool GSOImage::IsAllowedSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           uint64_t(width) * uint64_t(height) * 4 <= kMaxPixelBytes;
}

Vek::PackedColor GSOImage::ColorFromFloats(float red, float green, float blue, float alpha) {
    const auto byte = [](float value) {
        // NaN clamps to 0.
        const float clamped = value >= 0.0f ? std::min(value, 1.0f) : 0.0f;
        return static_cast<uint32_t>(clamped * 255.0f + 0.5f);
    };
    return byte(blue) | (byte(green) << 8) | (byte(red) << 16) | (byte(alpha) << 24);
}

void GSOImage::Clear(int32_t width, int32_t height) {
    m_bitmap.reset();  // its bytes go back to the picture budget first
    m_bitmap = NewPicture(width, height, m_fillColor);
    Changed();
}

void GSOImage::Resize(int32_t width, int32_t height, bool scale) {
    const int oldWidth = m_bitmap ? m_bitmap->GetWidth() : 0;
    const int oldHeight = m_bitmap ? m_bitmap->GetHeight() : 0;
    if (oldWidth == width && oldHeight == height) return;
    if (width <= 0 || height <= 0 || !m_bitmap) {
        Clear(width, height);
        return;
    }
    std::unique_ptr<Vek::Bitmap> resized = NewPicture(width, height, 0);
    if (resized) {
        // The old picture is read once (scaling reads it into a copy first).
        GSRuntime::GSChargeWork(uint64_t(oldWidth) * uint64_t(oldHeight) * kWorkPerPixelWritten * (scale ? 2 : 1));
        if (scale) {
            if (std::unique_ptr<Vek::Bitmap> scaled = m_bitmap->Scale(width, height))
                resized->CopyImage(*scaled, 0, 0);
        } else {
            const Vek::Bitmap::Rect kept{0, 0, width, height};
            resized->Image(*m_bitmap, 0, 0, kept, Vek::Bitmap::kModeCopy, &kept);
        }
    }
    m_bitmap = std::move(resized);
    Changed();
}

namespace {

// Cuts one axis of a copy to the part whose source lies in [0, sourceSize)
// and whose target lies in [0, targetSize); false when nothing is left.
// 64 bits, as script coordinates span the whole int range.
bool ClipCopyAxis(int64_t& from, int64_t& to, int64_t& length, int64_t sourceSize, int64_t targetSize) {
    if (from < 0) {
        to -= from;
        length += from;
        from = 0;
    }
    if (to < 0) {
        from -= to;
        length += to;
        to = 0;
    }
    length = std::min({length, sourceSize - from, targetSize - to});
    return length > 0;
}

}  // namespace

void GSOImage::DrawImage(const Vek::Bitmap::Rect& to, GSOImage& source, const Vek::Bitmap::Rect& from) {
    if (!m_bitmap || !source.m_bitmap) return;
    const bool sameSize = to.width == from.width && to.height == from.height;
    if (!sameSize && &source == this) return;
    // Only the part that lands in the picture goes to the bitmap: it walks
    // every pixel of the rectangle it is given, and its target coordinates
    // must not overflow.
    int64_t fromX = from.x, fromY = from.y, toX = to.x, toY = to.y, width = from.width, height = from.height;
    const bool visible =
        ClipCopyAxis(fromX, toX, width, source.m_bitmap->GetWidth(), m_bitmap->GetWidth()) &&
        ClipCopyAxis(fromY, toY, height, source.m_bitmap->GetHeight(), m_bitmap->GetHeight());
    if (visible) {
        GSRuntime::GSChargeWork(uint64_t(width) * uint64_t(height) * kWorkPerPixelWritten);
        if (&source == this)
            GSRuntime::GSChargeWork(uint64_t(m_bitmap->GetWidth()) * uint64_t(m_bitmap->GetHeight()) *
                                    kWorkPerPixelWritten);
        const Vek::Bitmap::Rect part{static_cast<int>(fromX), static_cast<int>(fromY), static_cast<int>(width),
                                     static_cast<int>(height)};
        if (&source == this) {
            // Copy from a snapshot, so that overlapping rectangles read the
            // picture as it was.
            const Vek::Bitmap snapshot(*m_bitmap);
            m_bitmap->Image(snapshot, static_cast<int>(toX), static_cast<int>(toY), part, Vek::Bitmap::kModeImage);
        } else {
            m_bitmap->Image(*source.m_bitmap, static_cast<int>(toX), static_cast<int>(toY), part,
                            Vek::Bitmap::kModeImage);
        }
    }
    Changed();
}

namespace {

FontKey ImageFont(const Vek::PString& face, int32_t size) {
    FontKey key;
    key.face = face;
    key.size = size;
    return key;
}

}  // namespace

int32_t GSOImage::MeasureText(const char* text) {
    TTFont* font = FindOrCreateFont(ImageFont(m_fontFace, m_fontSize));
    return font ? font->MeasureText(text) : 0;
}

void GSOImage::DrawText(int32_t x, int32_t y, const char* text) {
    if (!m_bitmap || !text) return;
    TTFont* font = FindOrCreateFont(ImageFont(m_fontFace, m_fontSize));
    if (!font) return;
    const std::size_t size = std::strlen(text);
    int64_t pen = x;
    std::size_t at = 0;
    uint32_t character = 0;
    // Read as MeasureText reads: a sequence cut short by the end of the text
    // ends it.
    while (TTFont::NextCharacter(text, size, at, character)) {
        GlyphPlacement glyph;
        const bool placed = font->GetGlyph(character, glyph);
        const Vek::MemoryTexture* atlas = GlyphAtlas::GetTexture();
        if (placed && glyph.width > 0 && atlas) {
            // The glyph's cell, read back from the atlas and blended in the
            // line colour by its coverage; shadow texels are black.
            const int left = static_cast<int>(glyph.u * GlyphAtlas::kSize + 0.5f);
            const int top = static_cast<int>(glyph.v * GlyphAtlas::kSize + 0.5f);
            const int width = static_cast<int>(glyph.width * GlyphAtlas::kSize + 0.5f);
            const int height = static_cast<int>(glyph.height * GlyphAtlas::kSize + 0.5f);
            GSRuntime::GSChargeWork(uint64_t(std::max(width, 0)) * uint64_t(std::max(height, 0)) *
                                    kWorkPerPixelBlended);
            for (int row = 0; row < height; ++row)
                for (int column = 0; column < width; ++column) {
                    const uint32_t texel = atlas->GetTexel(left + column, top + row);
                    const uint32_t alpha = texel >> 24;
                    if (alpha == 0) continue;
                    const uint32_t brightness = texel & 0xFFu;
                    const int64_t px = pen + glyph.left + column;
                    const int64_t py = int64_t(y) + row;
                    if (px < 0 || py < 0 || px >= m_bitmap->GetWidth() || py >= m_bitmap->GetHeight()) continue;
                    const uint32_t color = brightness ? WithCoverage(m_lineColor, brightness)
                                                      : WithCoverage(m_lineColor & 0xFF000000u, alpha);
                    m_bitmap->BlendPixel(static_cast<int>(px), static_cast<int>(py), color);
                }
        }
        // The pen moves by the character's advance, so that drawn text is as
        // wide as MeasureText says (the glyph's cell is one column wider).
        pen += font->CharAdvance(character);
    }
    GlyphAtlas::ReleasePins();
    Changed();
}

void GSOImage::NativeClear(GSStack* stack) { Clear(IntArg(stack, 1), IntArg(stack, 2)); }

void GSOImage::NativeResize(GSStack* stack) { Resize(IntArg(stack, 1), IntArg(stack, 2), stack->Local(3) != 0); }

void GSOImage::NativeGetWidth(GSStack* stack) {
    stack->Push(static_cast<uint32_t>(m_bitmap ? m_bitmap->GetWidth() : 0));
}

void GSOImage::NativeGetHeight(GSStack* stack) {
    stack->Push(static_cast<uint32_t>(m_bitmap ? m_bitmap->GetHeight() : 0));
}

void GSOImage::NativeSetLineColor(GSStack* stack) {
    m_lineColor = ColorFromFloats(FloatArg(stack, 1), FloatArg(stack, 2), FloatArg(stack, 3), FloatArg(stack, 4));
}

void GSOImage::NativeSetFillColor(GSStack* stack) {
    m_fillColor = ColorFromFloats(FloatArg(stack, 1), FloatArg(stack, 2), FloatArg(stack, 3), FloatArg(stack, 4));
}

void GSOImage::NativeDrawPoint(GSStack* stack) {
    if (!m_bitmap) return;
    m_bitmap->BlendPixel(IntArg(stack, 1), IntArg(stack, 2), m_lineColor);
    Changed();
}

void GSOImage::NativeDrawRect(GSStack* stack) {
    if (!m_bitmap) return;
    const int32_t x1 = IntArg(stack, 1), y1 = IntArg(stack, 2);
    const int width = Span(x1, IntArg(stack, 3)), height = Span(y1, IntArg(stack, 4));
    GSRuntime::GSChargeWork(VisiblePixels(x1, y1, int64_t(x1) + width, int64_t(y1) + height, m_bitmap->GetWidth(),
                                          m_bitmap->GetHeight()) *
                            kWorkPerPixelBlended);
    m_bitmap->Box(x1, y1, width, height, m_fillColor, Vek::Bitmap::kModeFilled);
    m_bitmap->Box(x1, y1, width, height, m_lineColor, Vek::Bitmap::kModeOutline);
    Changed();
}

void GSOImage::NativeDrawLine(GSStack* stack) {
    if (!m_bitmap) return;
    // A line visits at most the longer side of its box within the picture
    // (a longer one is clipped before it is stepped).
    const int64_t x1 = IntArg(stack, 1), y1 = IntArg(stack, 2), x2 = IntArg(stack, 3), y2 = IntArg(stack, 4);
    const int64_t steps = std::min<int64_t>(std::max(std::llabs(x2 - x1), std::llabs(y2 - y1)),
                                            int64_t(m_bitmap->GetWidth()) + m_bitmap->GetHeight() + (1 << 17));
    GSRuntime::GSChargeWork(uint64_t(steps + 1) * kWorkPerPixelBlended);
    m_bitmap->Line(IntArg(stack, 1), IntArg(stack, 2), IntArg(stack, 3), IntArg(stack, 4), m_lineColor,
                   Vek::Bitmap::kModeLine);
    Changed();
}

void GSOImage::NativeDrawCircle(GSStack* stack) {
    if (!m_bitmap) return;
    const int32_t x = IntArg(stack, 1), y = IntArg(stack, 2), radius = IntArg(stack, 3);
    const int64_t r = std::llabs(int64_t(radius));
    GSRuntime::GSChargeWork(VisiblePixels(x - r, y - r, x + r, y + r, m_bitmap->GetWidth(), m_bitmap->GetHeight()) *
                            kWorkPerPixelBlended);
    m_bitmap->Circle(x, y, radius, m_fillColor, Vek::Bitmap::kModeFilled);
    m_bitmap->Circle(x, y, radius, m_lineColor, Vek::Bitmap::kModeLine);
    Changed();
}

void GSOImage::NativeDrawTriangle(GSStack* stack) {
    if (!m_bitmap) return;
    int32_t c[6];
    for (int i = 0; i < 6; ++i) c[i] = IntArg(stack, i + 1);
    GSRuntime::GSChargeWork(VisiblePixels(std::min({c[0], c[2], c[4]}), std::min({c[1], c[3], c[5]}),
                                          std::max({c[0], c[2], c[4]}), std::max({c[1], c[3], c[5]}),
                                          m_bitmap->GetWidth(), m_bitmap->GetHeight()) *
                            kWorkPerPixelBlended);
    m_bitmap->Triangle(c[0], c[1], c[2], c[3], c[4], c[5], m_fillColor, Vek::Bitmap::kModeFilled);
    m_bitmap->Triangle(c[0], c[1], c[2], c[3], c[4], c[5], m_lineColor, Vek::Bitmap::kModeLine);
    Changed();
}

void GSOImage::NativeDrawImageAt(GSStack* stack) {
    GSOImage* source = nullptr;
    if (!GSRuntime::GetParam(stack, 3, source)) return;
    const int width = source->m_bitmap ? source->m_bitmap->GetWidth() : 0;
    const int height = source->m_bitmap ? source->m_bitmap->GetHeight() : 0;
    DrawImage({IntArg(stack, 1), IntArg(stack, 2), width, height}, *source, {0, 0, width, height});
}

void GSOImage::NativeDrawImageInto(GSStack* stack) {
    GSOImage* source = nullptr;
    if (!GSRuntime::GetParam(stack, 5, source)) return;
    const int32_t x1 = IntArg(stack, 1), y1 = IntArg(stack, 2);
    const int width = source->m_bitmap ? source->m_bitmap->GetWidth() : 0;
    const int height = source->m_bitmap ? source->m_bitmap->GetHeight() : 0;
    DrawImage({x1, y1, Span(x1, IntArg(stack, 3)), Span(y1, IntArg(stack, 4))}, *source, {0, 0, width, height});
}

void GSOImage::NativeDrawImagePart(GSStack* stack) {
    GSOImage* source = nullptr;
    if (!GSRuntime::GetParam(stack, 5, source)) return;
    const int32_t x1 = IntArg(stack, 1), y1 = IntArg(stack, 2);
    const int32_t sx1 = IntArg(stack, 6), sy1 = IntArg(stack, 7);
    DrawImage({x1, y1, Span(x1, IntArg(stack, 3)), Span(y1, IntArg(stack, 4))}, *source,
              {sx1, sy1, Span(sx1, IntArg(stack, 8)), Span(sy1, IntArg(stack, 9))});
}

void GSOImage::NativeSetTextFont(GSStack* stack) {
    Vek::PString face;
    if (!GSRuntime::GetPStringParam(stack, 1, false, face)) return;
    face.ToLower();
    m_fontFace = face;
    m_fontSize = IntArg(stack, 2);
}

void GSOImage::NativeMeasureTextWidth(GSStack* stack) {
    Vek::PString text;
    if (!GSRuntime::GetPStringParam(stack, 1, false, text)) return;
    stack->Push(static_cast<uint32_t>(MeasureText(text.c_str())));
}

void GSOImage::NativeDrawText(GSStack* stack) {
    if (!m_bitmap) return;
    Vek::PString text;
    if (!GSRuntime::GetPStringParam(stack, 3, false, text)) return;
    DrawText(IntArg(stack, 1), IntArg(stack, 2), text.c_str());
}

void GSOImage::NativeExportImage(GSStack* stack) {
    // The picture is not carried: a locked soup without tags.
    stack->PushNewObject(GSOSoup::Create(GetContext(), SoupHandle(), true), nullptr);
}

void GSOImage::NativeImportImage(GSStack* stack) {
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetParam(stack, 1, soup)) return;
    Changed();
}

void RegisterImageNatives() {
    static const MemberNative<GSOImage> kNatives[] = {
        {"$void@Image::Clear(int,int)", &GSOImage::NativeClear},
        {"$void@Image::Resize(int,int,bool)", &GSOImage::NativeResize},
        {"$int@Image::GetWidth()", &GSOImage::NativeGetWidth},
        {"$int@Image::GetHeight()", &GSOImage::NativeGetHeight},
        {"$void@Image::SetLineColor(float,float,float,float)", &GSOImage::NativeSetLineColor},
        {"$void@Image::SetFillColor(float,float,float,float)", &GSOImage::NativeSetFillColor},
        {"$void@Image::DrawPoint(int,int)", &GSOImage::NativeDrawPoint},
        {"$void@Image::DrawRect(int,int,int,int)", &GSOImage::NativeDrawRect},
        {"$void@Image::DrawLine(int,int,int,int)", &GSOImage::NativeDrawLine},
        {"$void@Image::DrawCircle(int,int,int)", &GSOImage::NativeDrawCircle},
        {"$void@Image::DrawTriangle(int,int,int,int,int,int)", &GSOImage::NativeDrawTriangle},
        {"$void@Image::DrawImage(int,int,Image)", &GSOImage::NativeDrawImageAt},
        {"$void@Image::DrawImage(int,int,int,int,Image)", &GSOImage::NativeDrawImageInto},
        {"$void@Image::DrawImage(int,int,int,int,Image,int,int,int,int)", &GSOImage::NativeDrawImagePart},
        {"$void@Image::SetTextFont(string,int)", &GSOImage::NativeSetTextFont},
        {"$int@Image::MeasureTextWidth(string)", &GSOImage::NativeMeasureTextWidth},
        {"$void@Image::DrawText(int,int,string)", &GSOImage::NativeDrawText},
        {"$Soup@Image::ExportImage()", &GSOImage::NativeExportImage},
        {"$void@Image::ImportImage(Soup)", &GSOImage::NativeImportImage},
    };
    RegisterMemberNatives("Image", kNatives);
}

}  // namespace GSNatives
