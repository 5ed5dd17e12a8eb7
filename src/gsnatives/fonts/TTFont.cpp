#include "gsnatives/fonts/TTFont.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <string>

#include "engine/RenderKernel.h"
#include "engine/bitmap/Bitmap.h"
#include "foundation/console/DecodeUTF8Char.h"
#include "foundation/log/LogPrintf.h"
#include "gsnatives/fonts/FontKey.h"
#include "gsnatives/fonts/GlyphAtlas.h"

namespace GSNatives {

namespace {

constexpr uint32_t kSpace = 32;
constexpr uint32_t kTab = 9;
constexpr int kDefaultCharset = 1;
// Face names are passed on as at most this many characters.
constexpr std::size_t kMaxFaceLength = 255;
// The most character advances a font keeps: texts can name every code
// point there is, so a full cache starts over rather than growing.
constexpr std::size_t kMaxCachedAdvances = 4096;

bool IsControl(uint32_t character) { return character < kSpace && character != kTab; }

bool IsWhitespace(uint32_t character) {
    return character <= 0xFFFF && std::iswspace(static_cast<wint_t>(character)) != 0;
}

// The number of bytes of the UTF-8 sequence a lead byte announces.
int SequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF8) return 4;
    if (lead < 0xFC) return 5;
    return 6;
}

bool EqualsIgnoreCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(*a) != lower(*b)) return false;
    }
    return *a == *b;
}

}  // namespace

TTFont::TTFont(int32_t id) : m_id(id), m_kernel(Vek::RenderKernel::GetCurrent()) {}

TTFont::~TTFont() = default;

int TTFont::CharsetValue(const char* name) {
    static const struct {
        const char* name;
        int value;
    } kCharsets[] = {{"ansi", 0},        {"baltic", 186},   {"big5", 136},       {"default", 1},
                     {"easteurope", 238}, {"gb2312", 134},   {"greek", 161},      {"hangul", 129},
                     {"mac", 77},         {"oem", 255},      {"russian", 204},    {"shiftjis", 128},
                     {"symbol", 2},       {"turkish", 162},  {"vietnamese", 163}, {"johab", 130},
                     {"arabic", 178},     {"hebrew", 177},   {"thai", 222}};
    if (!name) return kDefaultCharset;
    for (const auto& entry : kCharsets)
        if (EqualsIgnoreCase(name, entry.name)) return entry.value;
    return kDefaultCharset;
}

bool TTFont::Init(const char* face, int32_t size, uint32_t style, const char* charset) {
    m_size = size;
    m_style = style;
    m_font.reset();
    m_advances.clear();
    m_extraSpacing = 0;

    const char* faceText = face ? face : "";
    FontRequest request;
    request.height = size;
    request.weight = (style & kFontBold) ? 700 : 400;
    request.italic = (style & kFontItalic) != 0;
    request.underline = (style & kFontUnderline) != 0;
    request.strikeout = (style & kFontStrikeout) != 0;
    request.charset = CharsetValue(charset);
    request.quality = (style & kFontAntialiased) ? 4 : 3;
    request.face = std::string(faceText).substr(0, kMaxFaceLength);
    for (;;) {
        m_font = GetFontBackend().CreateFont(request);
        if (m_font) break;
        LogPrintf("TTFont::Init> '%s' CreateFontW failed", faceText);
        if (request.charset == kDefaultCharset) {
            LogPrintf("TTFont::Init> '%s' failed retry", faceText);
            return false;
        }
        LogPrintf("TTFont::Init> '%s' retrying with DEFAULT_CHARSET", faceText);
        request.charset = kDefaultCharset;
    }

    FontMetrics metrics;
    if (!m_font->GetTextMetrics(metrics)) {
        LogPrintf("TTFont::Init> '%s' GetTextMetricsW failed", faceText);
        m_font.reset();
        return false;
    }
    m_lineHeight = metrics.height;
    m_ascent = metrics.ascent;
    m_shadowOffset = 0;
    if (style & kFontShadow) {
        m_shadowOffset = 1;
        m_lineHeight += 1;
    }
    m_spaceAdvance = CharAdvance(kSpace);
    return true;
}

int32_t TTFont::CharAdvance(uint32_t character) {
    if (IsControl(character)) return 0;
    if (IsWhitespace(character)) character = kSpace;
    const auto found = m_advances.find(character);
    if (found != m_advances.end()) return found->second;
    const int32_t advance = ComputeAdvance(character);
    if (m_advances.size() >= kMaxCachedAdvances) m_advances.clear();
    m_advances.emplace(character, advance);
    return advance;
}

int32_t TTFont::ComputeAdvance(uint32_t character) {
    CharWidths widths;
    if (!m_font || !m_font->GetCharWidths(character, widths)) return 0;
    if (m_style & (kFontUnderline | kFontStrikeout)) {
        widths.b = widths.a + widths.b + widths.c;
        widths.a = widths.c = 0;
    }
    if (m_style & kFontItalic) {
        widths.b += 1;
        widths.c -= 1;
    }
    widths.c += m_extraSpacing;
    return widths.a + widths.b + widths.c;
}

bool TTFont::NextCharacter(const char* text, std::size_t size, std::size_t& at, uint32_t& character) {
    if (!text || at >= size) return false;
    const int length = SequenceLength(static_cast<unsigned char>(text[at]));
    if (static_cast<std::size_t>(length) > size - at) return false;
    character = DecodeUTF8Char(text + at);
    at += static_cast<std::size_t>(length);
    return true;
}

int32_t TTFont::MeasureText(const char* text) {
    if (!text) return 0;
    const std::size_t size = std::char_traits<char>::length(text);
    // Summed wide: a long text at a large size can pass the range of int32,
    // and its width then stays at the end of that range.
    int64_t width = 0;
    std::size_t at = 0;
    uint32_t character = 0;
    while (NextCharacter(text, size, at, character)) width += CharAdvance(character);
    return static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

bool TTFont::GetGlyph(uint32_t character, GlyphPlacement& placement) {
    placement = GlyphPlacement();
    if (IsControl(character) || character > 0x10FFFF) return true;
    if (IsWhitespace(character)) {
        if (!(m_style & (kFontUnderline | kFontStrikeout))) {
            placement.advance = m_spaceAdvance;
            return true;
        }
        character = kSpace;
    }
    if (character == 0x2019) character = '\'';

    placement.advance = CharAdvance(character) + 1 + m_shadowOffset;
    placement.left = -1 - m_shadowOffset;
    const uint64_t key = GlyphAtlas::GlyphKey(m_id, character);
    if (GlyphAtlas::Lookup(key, placement.u, placement.v, placement.width, placement.height)) return true;

    // A glyph too large for an atlas cell is refused before it is drawn, so
    // that a huge font size never makes a huge glyph bitmap.
    if (placement.advance <= 0 || m_lineHeight <= 0 || placement.advance > GlyphAtlas::kMaxGlyphSide ||
        m_lineHeight > GlyphAtlas::kMaxGlyphSide)
        return false;
    Vek::Bitmap glyph;
    if (!glyph.Init(placement.advance, m_lineHeight, Vek::Bitmap::kARGB32)) return false;
    glyph.Clear(0);
    RenderGlyph(character, glyph);
    FinishGlyph(glyph);
    return GlyphAtlas::AddGlyph(glyph, key) &&
           GlyphAtlas::Lookup(key, placement.u, placement.v, placement.width, placement.height);
}

void TTFont::RenderGlyph(uint32_t character, Vek::Bitmap& bitmap) {
    Vek::Bitmap drawn;
    if (!drawn.Init(bitmap.GetWidth(), bitmap.GetHeight(), Vek::Bitmap::kARGB32)) return;
    drawn.Clear(0);
    CharWidths widths;
    if (m_font && m_font->GetCharWidths(character, widths)) m_font->TextOut(character, drawn);
    bitmap.CopyImage(drawn, 0, 0);
}

void TTFont::FinishGlyph(Vek::Bitmap& bitmap) const {
    const bool shadow = (m_style & kFontShadow) != 0;
    const bool plainWhite = !shadow && !(m_style & kFontAntialiased);
    for (int y = bitmap.GetHeight() - 1; y >= 0; --y) {
        for (int x = 0; x < bitmap.GetWidth(); ++x) {
            const uint32_t pixel = bitmap.GetPixel(x, y);
            if (pixel != 0) {
                bitmap.SetPixel(x, y, pixel | 0xFF000000u);
            } else if (shadow && x > 0 && y > 0 && bitmap.GetPixel(x - 1, y - 1) != 0) {
                // Black, as opaque as the neighbour up and to the left is bright.
                bitmap.SetPixel(x, y, (bitmap.GetPixel(x - 1, y - 1) & 0xFFu) << 24);
            } else if (plainWhite) {
                bitmap.SetPixel(x, y, 0x00FFFFFFu);
            }
        }
    }
}

}  // namespace GSNatives
