#pragma once
// A font request and the key of the process-wide font cache.
#include <cstddef>
#include <cstdint>

#include "engine/PString.h"

namespace GSNatives {

class TTFont;

// Style bits of a font.
enum FontStyle : uint32_t {
    kFontBold = 0x01,
    kFontUnderline = 0x02,
    kFontItalic = 0x04,
    kFontStrikeout = 0x20,
    kFontShadow = 0x40,
    kFontAntialiased = 0x80,
};

struct FontKey {
    uint8_t bold = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeout = 0;
    uint8_t shadow = 0;  // a one-pixel drop shadow down and to the right
    uint8_t antialiased = 0;
    int32_t size = 0;      // requested cell height in pixels
    Vek::PString charset;  // a character-set name, or null for the default set
    Vek::PString face;

    uint32_t StyleBits() const;
    bool operator==(const FontKey& other) const;
};

// The most fonts the cache keeps. Scripts name fonts by any face and size,
// and each font holds a face of the system's; past this many, making a font
// deletes the one asked for longest ago, unless a glyph of it in the atlas
// is still pinned (then an unpinned one goes; with none, the cache grows).
constexpr std::size_t kMaxCachedFonts = 64;

// The cached font of the key, made (and cached) on first request; null when
// it cannot be made, which is not cached, so a later request tries again.
// The font lives until a later call makes a font in its place.
TTFont* FindOrCreateFont(const FontKey& key);

// Tests only: forgets the cached fonts (deleting them) and restarts the
// font ids at 0.
void ResetFontCache();

}  // namespace GSNatives
