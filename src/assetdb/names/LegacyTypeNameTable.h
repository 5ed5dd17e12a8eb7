#pragma once
// The legacy type-name table: category-class lists with the lower-case type
// word of older configurations. 27 rows and a terminating row whose texts
// are empty and whose flag is 0.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/PString.h"

struct LegacyTypeNameRow {
    const char* categories;  // category-class list
    Vek::PString typeWord;
    int32_t flag;
};

constexpr std::size_t kLegacyTypeNameRowCount = 27;

// The 27 rows followed by the terminating row.
std::span<const LegacyTypeNameRow> LegacyTypeNameTable();
