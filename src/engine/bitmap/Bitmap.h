#pragma once
// The engine's bitmap: a picture in memory with a format code, a size, a row
// stride and its bytes, with loading, format copies, scaling and the drawing
// primitives the script image objects use.
//
// Format codes (bytes per pixel):
//   1  24-bit colour, bytes blue, green, red (3)
//   2  32-bit colour with alpha: 0xAARRGGBB, bytes blue, green, red, alpha (4)
//   3  as 2, alpha treated as opaque (4)
//   4  8-bit grey (1)
//   5  raw bytes (compressed data): width and height describe the picture,
//      the byte size the data; no pixel access
//
// A bitmap may alias memory it does not own (InitAlias); DetachAlias gives
// it a private copy. Pixel operations work on formats 1 to 4; colours are
// packed 32-bit 0xAARRGGBB values. Every drawing operation clips to the
// bitmap and blends by the colour's alpha where it says so; coordinates
// outside the bitmap draw nothing and never fail.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "engine/bitmap/PictureBudget.h"

namespace Vek {

// A packed colour: 0xAARRGGBB, in memory blue, green, red, alpha.
using PackedColor = uint32_t;

class Bitmap {
public:
    enum Format : int { kNone = 0, kRGB24 = 1, kARGB32 = 2, kXRGB32 = 3, kGrey8 = 4, kRaw = 5 };
    // Drawing modes: Box 0 outline / 1 filled; Line, Circle, Triangle 2
    // outline / 1 filled; Image 0 and 4 copy.
    enum Mode : int { kModeOutline = 0, kModeFilled = 1, kModeLine = 2, kModeCopy = 0, kModeImage = 4 };
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
    };

    // The largest picture side Init and Load accept.
    static constexpr int kMaxSide = 16384;

    Bitmap() = default;
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept = default;
    Bitmap& operator=(Bitmap&& other) noexcept = default;
    ~Bitmap() = default;

    // A picture of width x height in `format`, zero-filled, or filled from
    // `data` (byteSize bytes; for format 5 the buffer size). False for a
    // bad size or format, or data shorter than the picture.
    bool Init(int width, int height, int format, const void* data = nullptr, std::size_t byteSize = 0);
    // As Init, but over memory the caller keeps alive (no copy).
    bool InitAlias(int width, int height, int format, void* data, std::size_t byteSize);
    void DetachAlias();
    bool IsAlias() const { return m_alias != nullptr; }
    void Reset();

    // As Init (zero-filled), with the picture's bytes taken from the
    // process's picture budget first (PictureBudget) and held while the
    // picture lives; false, nothing allocated, when the budget has no room.
    bool InitWithinBudget(int width, int height, int format);

    // Loads a TGA, BMP, JPEG or PNG file into format 2: `path` inside the
    // file-system root `folder` (empty: the plain file system). False, the
    // bitmap unchanged, when the file is missing or not a readable image.
    //
    // Decoding takes twice the picture's bytes from the picture budget
    // before it starts (the decoder's buffer and the bitmap's), waiting as
    // long as PictureBudget::CurrentWaitMs says, and the loaded bitmap keeps
    // its picture's bytes until it is reset, loaded or initialised again
    // (copies of it are not counted). An uncompressed TGA or BMP whose file
    // is shorter than the pixel data its header declares is refused.
    bool Load(const char* path, const PString& folder = PString(), bool keepFileFormat = false);
    bool LoadFromMemory(const uint8_t* bytes, std::size_t size);

    // Why the last Load or LoadFromMemory on this thread failed.
    enum class LoadFailure { kNone, kUnreadable, kShortPixelData, kNoBudget };
    static LoadFailure LastLoadFailure();
    // The bytes the picture of an image file needs while it is decoded
    // (twice the 32-bit picture); 0 when its header cannot be read.
    static uint64_t DecodeBytes(const uint8_t* bytes, std::size_t size);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetFormat() const { return m_format; }
    std::size_t GetStride() const { return m_stride; }
    std::size_t GetByteSize() const { return m_byteSize; }
    uint8_t* GetData() { return m_alias ? m_alias : m_bytes.data(); }
    const uint8_t* GetData() const { return m_alias ? m_alias : m_bytes.data(); }
    bool IsEmpty() const { return m_format == kNone; }
    static int BytesPerPixel(int format);

    // Pixel access (0 outside or for format 5). Grey reads give an opaque
    // grey; writes to grey keep the colour's green byte.
    uint32_t GetPixel(int x, int y) const;
    bool SetPixel(int x, int y, uint32_t color);

    // Copies `source` to (x, y) with format conversion, clipped.
    bool CopyImage(const Bitmap& source, int x, int y);
    // A new bitmap of the same format scaled to width x height (box filter
    // when shrinking, nearest pixel when growing); null for a bad size or
    // format 5.
    std::unique_ptr<Bitmap> Scale(int width, int height) const;

    // Drawing.
    void Clear(uint32_t color);
    void BlendPixel(int x, int y, uint32_t color);
    void Box(int x, int y, int width, int height, uint32_t color, int mode);
    void Line(int x1, int y1, int x2, int y2, uint32_t color, int mode);
    void Circle(int cx, int cy, int radius, uint32_t color, int mode);
    void Triangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int mode);
    // Copies the `from` rectangle of `source` to (x, y), clipped to `clip`
    // and to this bitmap (modes 0 and 4 both copy the pixels).
    void Image(const Bitmap& source, int x, int y, const Rect& from, int mode, const Rect* clip = nullptr);

private:
    void Fill(int x1, int x2, int y, uint32_t color);
    void Plot(int x, int y, uint32_t color);  // blended, clipped

    int m_width = 0;
    int m_height = 0;
    int m_format = kNone;
    std::size_t m_stride = 0;
    std::size_t m_byteSize = 0;
    std::vector<uint8_t> m_bytes;
    uint8_t* m_alias = nullptr;
    PictureBudget::Reservation m_budget;  // the picture's bytes, when budgeted
};

}  // namespace Vek
