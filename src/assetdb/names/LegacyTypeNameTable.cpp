#include "assetdb/names/LegacyTypeNameTable.h"

std::span<const LegacyTypeNameRow> LegacyTypeNameTable() {
    // Built on first use, so that the interned-string cache exists first and
    // outlives the table.
    static const LegacyTypeNameRow rows[] = {
        {"CWT", "coatworkstemplate", 0},
        {"BD", "building", 0},
        {"SQ", "script", 0},
        {"HT", "html", 0},
        {"PP", "people", 0},
        {"CMP;MESH", "mesh", 0},
        {"CY", "commodity", 0},
        {"RD", "road", 0},
        {"RT", "route", 0},
        {"RU", "rule", 0},
        {"SC", "scenario", 0},
        {"SS", "session", 0},
        {"SS;TUT", "session", 0},
        {"TP", "topology", 0},
        {"TX;ENV", "textureenv", 1},
        {"TX", "texturenonenv", 0},
        {"TK", "track", 0},
        {"TO", "trackobjects", 0},
        {"VE", "vehicle", 0},
        {"SD", "sound", 0},
        {"FA", "fauna", 0},
        {"FL", "flora", 0},
        {"DR", "driver", 0},
        {"TR", "train", 0},
        {"SY", "scenery", 0},
        {"MS", "misc", 0},
        {"", "misc", -1},
        {"", Vek::PString(), 0},
    };
    static_assert(sizeof(rows) / sizeof(rows[0]) == kLegacyTypeNameRowCount + 1);
    return rows;
}
