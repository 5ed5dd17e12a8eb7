// The product's font back end: faces found with fontconfig and drawn with
// FreeType. The generic face names of the program's scripts map to
// fontconfig's generic families ("swiss" sans-serif, "roman" serif,
// "modern" monospace); other names are asked for as family names, and
// fontconfig substitutes its nearest face as the system would.

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "engine/bitmap/Bitmap.h"
#include "gsnatives/fonts/FontBackend.h"
#include "gsnatives/fonts/FontLibraries.h"

namespace GSNatives {

namespace {

// The loaded libraries. Called only where their presence is known: without
// them the back end holds no library and no configuration, and makes no
// font.
const FreeTypeFunctions& Ft() { return *GetFreeType(); }
const FontConfigFunctions& Fc() { return *GetFontConfig(); }

// 26.6 fixed point to whole pixels.
int Floor26(FT_Pos value) { return static_cast<int>(value >> 6); }
int Ceil26(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }
int Round26(FT_Pos value) { return static_cast<int>((value + 32) >> 6); }

std::string FamilyOf(const std::string& face) {
    const auto is = [&](const char* name) { return strcasecmp(face.c_str(), name) == 0; };
    if (face.empty() || is("swiss")) return "sans-serif";
    if (is("roman")) return "serif";
    if (is("modern")) return "monospace";
    return face;
}

// The FreeType library, closed when the last of its owners goes: the back
// end and every face made from it. Faces live in the process-wide font
// cache, which may be destroyed after the back end at exit (static objects
// fall in the reverse order of their making), and closing a face needs its
// library still open.
class FreeTypeLibrary {
public:
    FreeTypeLibrary() { m_ready = GetFreeType() && Ft().Init_FreeType(&m_library) == 0; }
    ~FreeTypeLibrary() {
        if (m_ready) Ft().Done_FreeType(m_library);
    }
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;

    bool Ready() const { return m_ready; }
    FT_Library Get() const { return m_library; }

private:
    FT_Library m_library = nullptr;
    bool m_ready = false;
};

class FreeTypeFont : public BackendFont {
public:
    FreeTypeFont(std::shared_ptr<FreeTypeLibrary> library, FT_Face face, const FontRequest& request)
        : m_library(std::move(library)), m_face(face), m_request(request) {}
    ~FreeTypeFont() override { Ft().Done_Face(m_face); }

    bool GetTextMetrics(FontMetrics& metrics) override {
        const FT_Size_Metrics& size = m_face->size->metrics;
        metrics.ascent = Ceil26(size.ascender);
        metrics.height = metrics.ascent + Ceil26(-size.descender);
        return metrics.height > 0;
    }

    bool GetCharWidths(uint32_t character, CharWidths& widths) override {
        if (!Load(character, false)) return false;
        const FT_Glyph_Metrics& glyph = m_face->glyph->metrics;
        widths.a = Floor26(glyph.horiBearingX);
        widths.b = Ceil26(glyph.horiBearingX + glyph.width) - widths.a;
        widths.c = Round26(glyph.horiAdvance) - widths.a - widths.b;
        return true;
    }

    void TextOut(uint32_t character, Vek::Bitmap& target) override {
        FontMetrics metrics;
        if (!GetTextMetrics(metrics) || !Load(character, true)) return;
        const FT_GlyphSlot slot = m_face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int left = slot->bitmap_left;
        const int top = metrics.ascent - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                uint32_t coverage = 0;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    coverage = (line[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    coverage = line[column];
                if (coverage) Plot(target, left + static_cast<int>(column), top + static_cast<int>(row), coverage);
            }
        }
        // Underline just below the baseline, strike-out through the middle
        // of the lower-case letters, both across the whole cell.
        if (m_request.underline) Rule(target, metrics.ascent + 1);
        if (m_request.strikeout) Rule(target, metrics.ascent - metrics.ascent / 3);
    }

private:
    bool Load(uint32_t character, bool render) {
        if (character > 0x10FFFF) return false;
        const FT_UInt index = Ft().Get_Char_Index(m_face, character);
        FT_Int32 flags = m_request.quality == 4 ? FT_LOAD_TARGET_NORMAL : (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
        if (render) flags |= FT_LOAD_RENDER;
        return Ft().Load_Glyph(m_face, index, flags) == 0;
    }
    static void Plot(Vek::Bitmap& target, int x, int y, uint32_t coverage) {
        target.SetPixel(x, y, coverage | (coverage << 8) | (coverage << 16));
    }
    static void Rule(Vek::Bitmap& target, int y) {
        for (int x = 0; x < target.GetWidth(); ++x) Plot(target, x, y, 255);
    }

    std::shared_ptr<FreeTypeLibrary> m_library;  // outlives m_face
    FT_Face m_face;
    FontRequest m_request;
};

class FreeTypeFontBackend : public FontBackend {
public:
    FreeTypeFontBackend() : m_library(std::make_shared<FreeTypeLibrary>()) {
        if (GetFontConfig()) m_config = Fc().InitLoadConfigAndFonts();
    }
    ~FreeTypeFontBackend() override {
        if (m_config) Fc().ConfigDestroy(m_config);
    }

    std::unique_ptr<BackendFont> CreateFont(const FontRequest& request) override {
        if (!m_library->Ready() || !m_config) return nullptr;
        const std::string file = FindFile(request);
        if (file.empty()) return nullptr;
        FT_Face face = nullptr;
        if (Ft().New_Face(m_library->Get(), file.c_str(), m_index, &face) != 0) return nullptr;
        // A positive height is the cell height (ascent plus descent), a
        // negative one the em height; 0 asks for the default size.
        FT_Size_RequestRec size = {};
        size.type = request.height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
        const long pixels = request.height == 0 ? kDefaultHeight : (request.height > 0 ? request.height : -static_cast<long>(request.height));
        size.height = pixels << 6;
        if (pixels > kMaxHeight || Ft().Request_Size(face, &size) != 0) {
            Ft().Done_Face(face);
            return nullptr;
        }
        return std::make_unique<FreeTypeFont>(m_library, face, request);
    }

private:
    static constexpr long kDefaultHeight = 16;
    static constexpr long kMaxHeight = 4096;

    std::string FindFile(const FontRequest& request) {
        const std::string family = FamilyOf(request.face);
        FcPattern* pattern = Fc().PatternCreate();
        if (!pattern) return std::string();
        Fc().PatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        Fc().PatternAddInteger(pattern, FC_WEIGHT, request.weight >= 700 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        Fc().PatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        Fc().PatternAddBool(pattern, FC_SCALABLE, FcTrue);
        Fc().ConfigSubstitute(m_config, pattern, FcMatchPattern);
        Fc().DefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = Fc().FontMatch(m_config, pattern, &result);
        Fc().PatternDestroy(pattern);
        std::string file;
        m_index = 0;
        if (match) {
            FcChar8* path = nullptr;
            int index = 0;
            if (Fc().PatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
                file = reinterpret_cast<const char*>(path);
            if (Fc().PatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) m_index = index;
            Fc().PatternDestroy(match);
        }
        return file;
    }

    std::shared_ptr<FreeTypeLibrary> m_library;
    FcConfig* m_config = nullptr;
    int m_index = 0;
};

FontBackend* g_override = nullptr;

}  // namespace

FontBackend& GetFontBackend() {
    if (g_override) return *g_override;
    static FreeTypeFontBackend product;
    return product;
}

void SetFontBackend(FontBackend* backend) { g_override = backend; }

}  // namespace GSNatives
