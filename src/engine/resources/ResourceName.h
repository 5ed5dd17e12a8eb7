#pragma once
// Resource names are confined to their database: a name is a relative path
// inside the database's root. Confine turns a name into its canonical form
// ('/' separators, "." components and repeated separators dropped, ASCII
// lower case, since names compare without case) and refuses what could
// leave the database: an absolute name ("/a", "\a"), a drive form ("C:"),
// any ".." component, and an empty result.
#include <string>

namespace Vek {

class ResourceName {
public:
    static bool Confine(const char* name, std::string& canonical);
    // Whether `name` ends in "." followed by `suffix`, without case.
    static bool HasSuffix(const std::string& name, const std::string& suffix);
};

}  // namespace Vek
