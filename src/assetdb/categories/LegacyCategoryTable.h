#pragma once
// The legacy category table: the two- and three-letter type codes of older
// asset configurations, mapped to category-class lists, per asset kind.
#include <cstddef>
#include <span>

struct LegacyCategoryRow {
    const char* kind;        // asset kind; empty: any kind
    const char* legacyCode;  // type code
    const char* categories;  // category-class list
};

// Every row, in table order.
std::span<const LegacyCategoryRow> LegacyCategoryTable();

// The category-class list of the first row whose code equals `legacyCode`
// and whose kind equals `kind` (both ignoring ASCII case), or whose kind is
// empty; a null or empty `kind` accepts every row. The empty text when no
// row applies. Never null.
const char* MapLegacyCategoryClass(const char* kind, const char* legacyCode);
