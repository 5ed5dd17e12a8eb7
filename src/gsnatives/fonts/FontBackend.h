#pragma once
// The four operating-system font operations the script fonts are built on:
// make a font, read its text metrics, read one character's A, B and C
// widths, and draw one character. The product binds them to FreeType with
// fontconfig (FreeTypeFontBackend); tests bind a scripted fake.
#include <cstdint>
#include <memory>
#include <string>

namespace Vek {
class Bitmap;
}

namespace GSNatives {

// What a font is asked to be.
struct FontRequest {
    int height = 0;       // cell height in pixels
    int weight = 400;     // 700 bold, 400 regular
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int charset = 1;      // 1: the default character set
    int quality = 3;      // 4 antialiased, 3 not antialiased
    std::string face;     // empty: no face name (the system's default face)
};

struct FontMetrics {
    int height = 0;  // cell height: ascent plus descent
    int ascent = 0;
};

// A character's advance, split as the leading bearing (A), the black box
// (B) and the trailing space (C).
struct CharWidths {
    int a = 0;
    int b = 0;
    int c = 0;
};

class BackendFont {
public:
    virtual ~BackendFont() = default;
    virtual bool GetTextMetrics(FontMetrics& metrics) = 0;
    virtual bool GetCharWidths(uint32_t character, CharWidths& widths) = 0;
    // Draws the character white on the black bitmap (32-bit colour, top row
    // first) with the top-left of its cell at (0, 0), clipped: the colour
    // bytes carry the coverage, the alpha byte stays 0.
    virtual void TextOut(uint32_t character, Vek::Bitmap& target) = 0;
};

class FontBackend {
public:
    virtual ~FontBackend() = default;
    // Null when no font can be made for the request.
    virtual std::unique_ptr<BackendFont> CreateFont(const FontRequest& request) = 0;
};

// The process's back end: FreeType with fontconfig unless a test set
// another. SetFontBackend(nullptr) goes back to the product's.
FontBackend& GetFontBackend();
void SetFontBackend(FontBackend* backend);

}  // namespace GSNatives
