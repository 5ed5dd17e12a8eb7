#include "assetdb/names/CategoryDisplayNameTable.h"

std::span<const CategoryDisplayNameRow> CategoryDisplayNameTable() {
    // Built on first use, so that the interned-string cache exists first and
    // outlives the table.
    static const CategoryDisplayNameRow rows[] = {
        {"CWT", "Coatworks Template", 0},
        {"IND;ACTV", "Industry", 0},
        {"SWT;FIXD", "Fixed Track", 0},
        {"BD", "Building", 0},
        {"HT", "HTML", 0},
        {"PP", "People", 0},
        {"CMP;MESH", "Mesh", 0},
        {"CY", "Commodity", 0},
        {"RD", "Road", 0},
        {"RT", "Route", 0},
        {"RU", "Rule", 0},
        {"SC", "Scenario", 0},
        {"SQ", "Script", 0},
        {"SS", "Session", 0},
        {"SS;TUT", "Tutorial", 0},
        {"TP", "Topology", 0},
        {"TX;ENV", "TextureEnv", 1},
        {"TX", "TextureNonEnv", 0},
        {"FA", "Fauna", 0},
        {"FL", "Flora", 0},
        {"TK", "Track", 0},
        {"TK;BRG", "Bridge", 1},
        {"TK;SPL", "Spline", 1},
        {"TK;TUN", "Tunnel", 1},
        {"TO", "Track Object", 0},
        {"VE", "Vehicle", 0},
        {"SD", "Sound", 0},
        {"DR", "Driver", 0},
        {"REGN", "Region", 0},
        {"SPLN", "Spline", 0},
        {"SY", "Scenery", 0},
        {"TR;CMP", "Train Component", 0},
        {"TR;CMP;ESPC", "Train Engine", 0},
        {"TR", "Train", 0},
        {"MS", "Miscellaneous", 0},
        {"FIXD", "Fixed Track", 0},
        {"", Vek::PString(), 0},
    };
    static_assert(sizeof(rows) / sizeof(rows[0]) == kCategoryDisplayNameRowCount + 1);
    return rows;
}
