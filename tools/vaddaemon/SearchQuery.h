#pragma once
// Turns a search-filter tree (AssetSearch.h describes what each condition
// asks) into one SQL query over the store's tables that gives the matching
// KUIDs in the store's order (user, content id, version).
//
// Every condition becomes an expression the indexes can serve: category
// classes, eras, keywords and regions are lookups in asset_codes; a quoted
// name is an equality under the case-insensitive name index; authors and
// versions are ranges of the key; status flags are columns, and obsolete
// and missing-dependency tests are lookups in asset_links and assets. Only
// an unquoted name (a substring, ignoring ASCII case) is handed to a
// function of the daemon's own, "vx_name_contains", which the connection
// must have (RegisterSearchFunctions); SQLite calls it for the candidates
// the other conditions left.
#include <string>
#include <vector>

struct sqlite3;
class VADFilterElement;

struct SearchQuery {
    std::string sql;
    // The texts bound to ?1, ?2, ... in order.
    std::vector<std::string> texts;
};

SearchQuery BuildSearchQuery(const VADFilterElement& filter);

// Adds the search's functions to a connection; false when SQLite refuses.
bool RegisterSearchFunctions(sqlite3* db);
