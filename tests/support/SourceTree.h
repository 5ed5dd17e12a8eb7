#pragma once
// The repository's root folder, for tests that read files kept beside the
// sources (the shipped data, the example assets and scripts). The build
// passes it in, so it does not depend on how the compiler spells __FILE__.
#include <string>

inline std::string SourceTreePath(const std::string& relative) {
    return std::string(VORLEX_SOURCE_DIR) + "/" + relative;
}
