#pragma once
// The native side of the script class "Image": a picture scripts draw into,
// with a line colour (points, lines, outlines, text), a fill colour (filled
// shapes and cleared pictures) and a text font. An image without size has
// no bitmap; drawing on it does nothing. The change count counts every
// operation that (may) change the picture.
#include <cstdint>
#include <memory>

#include "engine/PString.h"
#include "engine/bitmap/Bitmap.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOImage : public GSRuntime::GSObject {
public:
    // The largest picture an image takes: sides of at most 16,384 pixels
    // and at most 256 MiB of pixels. Larger sizes leave the image without
    // bitmap, as a size of 0 does.
    static constexpr int kMaxSide = 16384;
    static constexpr uint64_t kMaxPixelBytes = uint64_t(256) << 20;

    // Bound to the class "Image" in `context`.
    explicit GSOImage(GSRuntime::GSContext* context);
    ~GSOImage() override;

    // A new image without picture bound to "Image" in `context`, holding its
    // creation count for the caller; null when the script-object heap has no
    // room or the class is not bound.
    static GSOImage* Create(GSRuntime::GSContext* context);
    // A new image holding the picture of the file at `path` (relative to
    // `folder`); null when it cannot be loaded.
    static GSOImage* LoadFromFile(GSRuntime::GSContext* context, const Vek::PString& folder, const char* path);

    // Whether a w x h picture is within the limits above.
    static bool IsAllowedSize(int64_t width, int64_t height);

    // The colour bytes of four 0..1 channels: each clamped and rounded,
    // stored blue, green, red, alpha.
    static Vek::PackedColor ColorFromFloats(float red, float green, float blue, float alpha);

    const Vek::Bitmap* GetBitmap() const { return m_bitmap.get(); }
    Vek::PackedColor GetLineColor() const { return m_lineColor; }
    Vek::PackedColor GetFillColor() const { return m_fillColor; }
    const Vek::PString& GetFontFace() const { return m_fontFace; }
    int32_t GetFontSize() const { return m_fontSize; }
    int32_t GetChangeCount() const { return m_changes; }

    // The operations behind the natives, callable directly.
    void Clear(int32_t width, int32_t height);
    void Resize(int32_t width, int32_t height, bool scale);
    // Copies the `from` rectangle of `source` unscaled to `to`'s corner;
    // `to`'s size only decides whether an image may copy onto itself (only
    // when the sizes agree).
    void DrawImage(const Vek::Bitmap::Rect& to, GSOImage& source, const Vek::Bitmap::Rect& from);
    // The width of the text in the image's font; 0 when the font cannot be
    // made.
    int32_t MeasureText(const char* text);
    // Renders the text's glyphs into the glyph atlas and composes them into
    // the picture in the line colour, the top of the line at y.
    void DrawText(int32_t x, int32_t y, const char* text);

    // Natives (arguments from the calling frame).
    void NativeClear(GSRuntime::GSStack* stack);
    void NativeResize(GSRuntime::GSStack* stack);
    void NativeGetWidth(GSRuntime::GSStack* stack);
    void NativeGetHeight(GSRuntime::GSStack* stack);
    void NativeSetLineColor(GSRuntime::GSStack* stack);
    void NativeSetFillColor(GSRuntime::GSStack* stack);
    void NativeDrawPoint(GSRuntime::GSStack* stack);
    void NativeDrawRect(GSRuntime::GSStack* stack);
    void NativeDrawLine(GSRuntime::GSStack* stack);
    void NativeDrawCircle(GSRuntime::GSStack* stack);
    void NativeDrawTriangle(GSRuntime::GSStack* stack);
    void NativeDrawImageAt(GSRuntime::GSStack* stack);
    void NativeDrawImageInto(GSRuntime::GSStack* stack);
    void NativeDrawImagePart(GSRuntime::GSStack* stack);
    void NativeSetTextFont(GSRuntime::GSStack* stack);
    void NativeMeasureTextWidth(GSRuntime::GSStack* stack);
    void NativeDrawText(GSRuntime::GSStack* stack);
    void NativeExportImage(GSRuntime::GSStack* stack);
    void NativeImportImage(GSRuntime::GSStack* stack);

private:
    void Changed() { ++m_changes; }

    std::unique_ptr<Vek::Bitmap> m_bitmap;
    Vek::PackedColor m_lineColor = 0xFFFFFFFFu;
    Vek::PackedColor m_fillColor = 0;
    Vek::PString m_fontFace;
    int32_t m_fontSize = 12;
    int32_t m_changes = 0;
};

// Registers the natives of "Image", in the order of the class's library.
void RegisterImageNatives();

}  // namespace GSNatives
