#include "gsnatives/fonts/FontKey.h"

#include <memory>
#include <utility>
#include <vector>

#include "gsnatives/fonts/TTFont.h"

namespace GSNatives {

namespace {

struct FontCache {
    std::vector<std::pair<FontKey, std::unique_ptr<TTFont>>> rows;
    int32_t nextId = 0;
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
    for (const auto& row : cache.rows)
        if (row.first == key) return row.second.get();
    auto font = std::make_unique<TTFont>(cache.nextId++);
    if (!font->Init(key.face.IsEmpty() ? nullptr : key.face.c_str(), key.size, key.StyleBits(),
                    key.charset.IsEmpty() ? nullptr : key.charset.c_str()))
        return nullptr;
    cache.rows.emplace_back(key, std::move(font));
    return cache.rows.back().second.get();
}

void ResetFontCache() {
    Cache().rows.clear();
    Cache().nextId = 0;
}

}  // namespace GSNatives
