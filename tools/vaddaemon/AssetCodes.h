#pragma once
// The codes an asset's lists hold, as the store indexes them and the search
// asks for them:
//   category class   the codes of the list before any '|', split at ';',
//                    empty ones passed over, compared exactly
//   era, keywords,   the codes separated by ';' or ',', trimmed of blanks
//   region           and tabs and folded to lower-case ASCII
#include <string>
#include <vector>

enum class AssetCodeKind : int { kCategoryClass = 0, kEra = 1, kKeyword = 2, kRegion = 3 };

// ASCII letters to lower case; other bytes stay.
std::string FoldedText(std::string text);

// The folded codes of an era, keyword or region list, in order (repeats kept).
std::vector<std::string> ListCodes(const std::string& list);

// The codes of a category-class list, in order (repeats kept).
std::vector<std::string> CategoryClassCodes(const std::string& list);
