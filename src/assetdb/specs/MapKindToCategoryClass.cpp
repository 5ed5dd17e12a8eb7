// The category-class codes of an asset kind. A row applies when its kind
// is the given kind and its type words (";"-separated, all needed) are
// among the given type's; the first row that applies wins.
#include <string>

#include "assetdb/categories/CategoryClassList.h"
#include "assetdb/specs/VorlexBaseSpec.h"

namespace {

struct KindRow {
    const char* kind;
    const char* types;
    const char* categoryClass;
};

constexpr KindRow kRows[] = {
    {"fixedtrack", "", "FIXD;SWT"},
    {"bridge", "road;tunnels", "SPLN;TUN"},
    {"bridge", "road", "SPLN;BRG"},
    {"bridge", "bridges", "TK;BRG"},
    {"bridge", "tunnels", "TK;TUN"},
    {"bridge", "track", "TK"},
    {"bridge", "rails", "TK"},
    {"bridge", "", "SPLN;BRG"},
    {"spline", "", "SPLN;BRG"},
    {"track", "road", "SPLN"},
    {"track", "rails", "TK"},
    {"track", "track", "TK"},
    {"track", "", "SPLN"},
    {"groundbrush", "", "BRSH"},
    {"groundtexture", "", "TX;ENV;GRND"},
    {"map", "", "RT"},
    {"industry", "", "BD;IND;ACTV;FIXD"},
    {"profile", "", "SS"},
    {"tutorial", "", "SS;TUT"},
    {"scenery", "trackside", "TO"},
    {"scenery", "", "SY;SCEN"},
    {"mospeedboard", "", "TO;?WS"},
    {"mosignal", "", "TO;?WA"},
    {"mojunction", "", "TO;?WX"},
    {"mocrossing", "", "FIXD;CROS"},
    {"buildable", "", "BD;BDB;FIXD"},
    {"turntable", "", "FIXD;TURN"},
    {"traincar", "tender", "TR;TV;TEND"},
    {"traincar", "locomotive", "TR;TV;LOCO"},
    {"traincar", "rollingstock", "TR;TV;ROLL"},
    {"traincar", "", "TR;TV"},
    {"consist", "", "CN"},
    {"water2", "", "?EW"},
    {"environment", "", "?ENV"},
    {"engine", "", "TR;CMP;ESPC"},
    {"steam-engine", "", "TR;CMP;ESPC"},
    {"bogey", "", "TR;CMP;BOGY"},
    {"interior", "", "TR;CMP;INTR"},
    {"pantograph", "", "TR;CMP;PANT"},
    {"hornsound", "", "TR;CMP;HORN;SD"},
    {"enginesound", "", "TR;CMP;ESND;SD"},
    {"region", "", "REGN"},
    {"activity", "", "SC"},
    {"behavior", "", "RU;GEN"},
    {"drivercharacter", "", "DR"},
    {"drivercommand", "", "SQ;GEN"},
    {"library", "achievementvariable", "SLIB;ACHU"},
    {"library", "", "SLIB"},
    {"vni-render-plugin", "", "SLIB"},
    {"servlet", "", "SVLT"},
    {"gameplaymenu", "", "GMNU"},
    {"product", "", "PROD"},
    {"product-category", "", "PRDC"},
    {"html-asset", "", "HT"},
    {"mesh", "", "CMP;MESH"},
    {"texture", "", "CMP;TX"},
    {"texture-group", "", "CMP;TX"},
    {"tracksound", "", "CMP;TSND;SD"},
    {"achievement-group", "", "ACHG"},
    {"achievement-category", "", "ACHC"},
};

std::string LowerAscii(const char* text) {
    std::string result(text ? text : "");
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

}  // namespace

Vek::String MapKindToCategoryClass(const char* kind, const char* type) {
    const std::string lowerKind = LowerAscii(kind);
    const std::string lowerType = LowerAscii(type);
    for (const KindRow& row : kRows) {
        if (lowerKind != row.kind) continue;
        if (*row.types == '\0' || MatchCategoryPattern(row.types, lowerType.c_str())) return Vek::String(row.categoryClass);
    }
    return Vek::String();
}
