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
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
class VADFilterElement;

// The query's text depends only on the tree's shape (apart from asset-id
// sets, whose KUIDs are written into it), and the values are bound, so a
// connection can keep the compiled query for the next search of that shape.
struct SearchQuery {
    struct Value {
        bool isText = false;
        int64_t number = 0;
        std::string text;
    };
    std::string sql;
    // The values bound to ?1, ?2, ... in order.
    std::vector<Value> values;
};

SearchQuery BuildSearchQuery(const VADFilterElement& filter);

// Adds the search's functions to a connection; false when SQLite refuses.
bool RegisterSearchFunctions(sqlite3* db);
