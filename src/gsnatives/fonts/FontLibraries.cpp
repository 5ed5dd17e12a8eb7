#include "gsnatives/fonts/FontLibraries.h"

#include "engine/SharedObject.h"

namespace GSNatives {

namespace {

void TakeFreeType(Vek::SharedObject& module, FreeTypeFunctions& f) {
    module.Take("FT_Init_FreeType", f.Init_FreeType);
    module.Take("FT_Done_FreeType", f.Done_FreeType);
    module.Take("FT_New_Face", f.New_Face);
    module.Take("FT_Done_Face", f.Done_Face);
    module.Take("FT_Request_Size", f.Request_Size);
    module.Take("FT_Get_Char_Index", f.Get_Char_Index);
    module.Take("FT_Load_Glyph", f.Load_Glyph);
}

void TakeFontConfig(Vek::SharedObject& module, FontConfigFunctions& f) {
    module.Take("FcInitLoadConfigAndFonts", f.InitLoadConfigAndFonts);
    module.Take("FcConfigDestroy", f.ConfigDestroy);
    module.Take("FcPatternCreate", f.PatternCreate);
    module.Take("FcPatternDestroy", f.PatternDestroy);
    module.Take("FcPatternAddString", f.PatternAddString);
    module.Take("FcPatternAddInteger", f.PatternAddInteger);
    module.Take("FcPatternAddBool", f.PatternAddBool);
    module.Take("FcConfigSubstitute", f.ConfigSubstitute);
    module.Take("FcDefaultSubstitute", f.DefaultSubstitute);
    module.Take("FcFontMatch", f.FontMatch);
    module.Take("FcPatternGetString", f.PatternGetString);
    module.Take("FcPatternGetInteger", f.PatternGetInteger);
}

}  // namespace

// The shared objects the build found (from the build files).
const FreeTypeFunctions* GetFreeType(std::string* reason) {
    return Vek::LoadFunctionsOnce<FreeTypeFunctions, TakeFreeType>(VORLEX_FREETYPE_SONAME, reason);
}

const FontConfigFunctions* GetFontConfig(std::string* reason) {
    return Vek::LoadFunctionsOnce<FontConfigFunctions, TakeFontConfig>(VORLEX_FONTCONFIG_SONAME, reason);
}

}  // namespace GSNatives
