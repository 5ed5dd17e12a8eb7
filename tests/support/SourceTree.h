#pragma once
// The repository's root folder, for tests that read files kept beside the
// sources (the shipped data, the example assets and scripts). The build
// passes it in, so it does not depend on how the compiler spells __FILE__.
#include <filesystem>
#include <string>

inline std::string SourceTreePath(const std::string& relative) {
    return std::string(VORLEX_SOURCE_DIR) + "/" + relative;
}

// Lays the shipped data into an installation folder as the install step
// does: the schema folder "ZIROzod" beside the program in "bin", and the
// interface-text table in "Data".
inline void CopyShippedData(const std::string& install) {
    std::filesystem::create_directories(install + "/bin");
    std::filesystem::copy(SourceTreePath("data/ZIROzod"), install + "/bin/ZIROzod",
                          std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(install + "/Data");
    std::filesystem::copy(SourceTreePath("data/Data/InterfaceText.txt"), install + "/Data/InterfaceText.txt");
}
