#pragma once
// The category display-name table: category-class lists with the name shown
// for them. 36 rows and a terminating row whose texts are empty and whose
// flag is 0.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/PString.h"

struct CategoryDisplayNameRow {
    const char* categories;  // category-class list
    Vek::PString displayName;
    uint32_t flag;
};

constexpr std::size_t kCategoryDisplayNameRowCount = 36;

// The 36 rows followed by the terminating row.
std::span<const CategoryDisplayNameRow> CategoryDisplayNameTable();
