#pragma once
// FreeType and fontconfig, loaded when the script fonts first need them
// instead of with the program: with the libraries they bring they were a
// quarter of every command word's start-up, and only scripts that measure
// or draw text use them. The functions the font back end calls are taken
// from them by name; the types stay those of their headers.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace GSNatives {

struct FreeTypeFunctions {
    FT_Error (*Init_FreeType)(FT_Library* library);
    FT_Error (*Done_FreeType)(FT_Library library);
    FT_Error (*New_Face)(FT_Library library, const char* path, FT_Long index, FT_Face* face);
    FT_Error (*Done_Face)(FT_Face face);
    FT_Error (*Request_Size)(FT_Face face, FT_Size_Request request);
    FT_UInt (*Get_Char_Index)(FT_Face face, FT_ULong character);
    FT_Error (*Load_Glyph)(FT_Face face, FT_UInt index, FT_Int32 flags);
};

struct FontConfigFunctions {
    FcConfig* (*InitLoadConfigAndFonts)();
    void (*ConfigDestroy)(FcConfig* config);
    FcPattern* (*PatternCreate)();
    void (*PatternDestroy)(FcPattern* pattern);
    FcBool (*PatternAddString)(FcPattern* pattern, const char* object, const FcChar8* value);
    FcBool (*PatternAddInteger)(FcPattern* pattern, const char* object, int value);
    FcBool (*PatternAddBool)(FcPattern* pattern, const char* object, FcBool value);
    FcBool (*ConfigSubstitute)(FcConfig* config, FcPattern* pattern, FcMatchKind kind);
    void (*DefaultSubstitute)(FcPattern* pattern);
    FcPattern* (*FontMatch)(FcConfig* config, FcPattern* pattern, FcResult* result);
    FcResult (*PatternGetString)(const FcPattern* pattern, const char* object, int n, FcChar8** value);
    FcResult (*PatternGetInteger)(const FcPattern* pattern, const char* object, int n, int* value);
};

// Each library, loaded the first time (thread-safe); null when it cannot
// be loaded or lacks one of the functions, with the reason in `reason`
// (when given). Loaded libraries stay for the rest of the process.
const FreeTypeFunctions* GetFreeType(std::string* reason = nullptr);
const FontConfigFunctions* GetFontConfig(std::string* reason = nullptr);

}  // namespace GSNatives
