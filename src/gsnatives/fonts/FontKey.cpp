#include "gsnatives/fonts/FontKey.h"

#include <memory>
#include <vector>

#include "gsnatives/fonts/GlyphAtlas.h"
#include "gsnatives/fonts/TTFont.h"

namespace GSNatives {

namespace {

struct CachedFont {
    FontKey key;
    std::unique_ptr<TTFont> font;
    uint64_t lastAsked = 0;
};

struct FontCache {
    std::vector<CachedFont> rows;
    int32_t nextId = 0;
    uint64_t clock = 0;
};

FontCache& Cache() {
    static FontCache cache;
    return cache;
}

}  // namespace

uint32_t FontKey::StyleBits() const {
    uint32_t style = 0;
    if (bold) style |= kFontBold;
    if (italic) style |= kFontItalic;
    if (underline) style |= kFontUnderline;
    if (strikeout) style |= kFontStrikeout;
    if (shadow) style |= kFontShadow;
    if (antialiased) style |= kFontAntialiased;
    return style;
}

bool FontKey::operator==(const FontKey& other) const {
    return bold == other.bold && italic == other.italic && underline == other.underline &&
           strikeout == other.strikeout && shadow == other.shadow && antialiased == other.antialiased &&
           size == other.size && charset == other.charset && face == other.face;
}

TTFont* FindOrCreateFont(const FontKey& key) {
    FontCache& cache = Cache();
    for (auto& row : cache.rows) {
        if (row.key == key) {
            row.lastAsked = ++cache.clock;
            return row.font.get();
        }
    }
    auto font = std::make_unique<TTFont>(cache.nextId++);
    if (!font->Init(key.face.IsEmpty() ? nullptr : key.face.c_str(), key.size, key.StyleBits(),
                    key.charset.IsEmpty() ? nullptr : key.charset.c_str()))
        return nullptr;
    if (cache.rows.size() >= kMaxCachedFonts) {
        // The font asked for longest ago goes, unless the atlas still pins
        // a glyph of it. Its unpinned cells stay until the atlas starts
        // over; font ids are never reused, so no later font meets them.
        auto oldest = cache.rows.end();
        for (auto row = cache.rows.begin(); row != cache.rows.end(); ++row)
            if ((oldest == cache.rows.end() || row->lastAsked < oldest->lastAsked) &&
                !GlyphAtlas::PinsFont(row->font->GetId()))
                oldest = row;
        if (oldest != cache.rows.end()) cache.rows.erase(oldest);
    }
    cache.rows.push_back(CachedFont{key, std::move(font), ++cache.clock});
    return cache.rows.back().font.get();
}

void ResetFontCache() {
    Cache().rows.clear();
    Cache().nextId = 0;
    Cache().clock = 0;
}

}  // namespace GSNatives
