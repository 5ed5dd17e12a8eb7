#pragma once
// A TrueType font of the operating system with its measurements, as script
// images measure and prepare text with it: the cell height, the ascent, the
// advance of each character (cached), and single characters rendered into
// glyph bitmaps that go into the shared glyph atlas.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "gsnatives/fonts/FontBackend.h"

namespace Vek {
class Bitmap;
class RenderKernel;
}  // namespace Vek

namespace GSNatives {

// What GetGlyph gives: the pen advance, the glyph's cell in the atlas as
// texture coordinates (0 to 1), and where the cell starts left of the pen.
struct GlyphPlacement {
    int advance = 0;
    float u = 0, v = 0;
    float width = 0, height = 0;
    int left = 0;
};

class TTFont {
public:
    explicit TTFont(int32_t id);
    ~TTFont();
    TTFont(const TTFont&) = delete;
    TTFont& operator=(const TTFont&) = delete;

    // Makes the font of `face` (null or empty: none named) at `size` with
    // the style bits and the character-set name (null: the default set). A
    // named set the system cannot make is retried once with the default set.
    // The failures are logged ("TTFont::Init> ...").
    bool Init(const char* face, int32_t size, uint32_t style, const char* charset);

    // The advance of a character in pixels: 0 for control characters (tab
    // measures as a space), whitespace measures as the space. Advances are
    // kept, up to a bound past which the kept ones are forgotten.
    int32_t CharAdvance(uint32_t character);
    // The sum of the advances of a UTF-8 text, kept within int32; a
    // sequence cut short by the end of the text ends it.
    int32_t MeasureText(const char* text);
    // The glyph of a character, rendered into the glyph atlas when it is not
    // there yet. False when the glyph gets no cell (too large, or the atlas
    // is full while pinned).
    bool GetGlyph(uint32_t character, GlyphPlacement& placement);

    // Draws the character into `bitmap` (32-bit colour) white on black.
    void RenderGlyph(uint32_t character, Vek::Bitmap& bitmap);
    // Gives drawn pixels full alpha, adds the drop shadow, and makes the
    // background transparent white for fonts without shadow or antialiasing.
    void FinishGlyph(Vek::Bitmap& bitmap) const;

    int32_t GetId() const { return m_id; }
    int32_t GetLineHeight() const { return m_lineHeight; }
    int32_t GetShadowOffset() const { return m_shadowOffset; }
    int32_t GetAscent() const { return m_ascent; }
    int32_t GetSpaceAdvance() const { return m_spaceAdvance; }
    int32_t GetSize() const { return m_size; }
    uint32_t GetStyle() const { return m_style; }
    // Tests: the number of character advances the font keeps.
    std::size_t GetCachedAdvanceCount() const { return m_advances.size(); }

    // Reads the character of the UTF-8 sequence at `at` of the `size` bytes
    // of `text` and moves `at` past it; false at the end of the text or at
    // a sequence cut short by it, which ends the text. Measuring and drawing
    // both read text this way, so that drawn text is as wide as measured.
    static bool NextCharacter(const char* text, std::size_t size, std::size_t& at, uint32_t& character);

    // The GDI character-set value of a name (case-insensitive); 1 (the
    // default set) for a null or unknown name.
    static int CharsetValue(const char* name);

private:
    int32_t ComputeAdvance(uint32_t character);

    int32_t m_id;
    std::unique_ptr<BackendFont> m_font;
    Vek::RenderKernel* m_kernel = nullptr;
    std::map<uint32_t, int32_t> m_advances;
    int32_t m_lineHeight = 0;
    int32_t m_shadowOffset = 0;
    int32_t m_ascent = 0;
    int32_t m_spaceAdvance = 0;
    int32_t m_extraSpacing = 0;
    int32_t m_size = 0;
    uint32_t m_style = 0;
};

}  // namespace GSNatives
