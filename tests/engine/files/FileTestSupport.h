#pragma once
// Small helpers for the file-service tests: make and read files on disk
// directly, without the service under test.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/File.h"

namespace FileTest {

inline void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool OnDisk(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The names in a folder, sorted.
inline std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The whole content of a file read through the service.
inline std::string ReadAll(Vek::File& file) {
    std::string text;
    char block[256];
    while (std::size_t got = file.Read(block, sizeof block)) text.append(block, got);
    return text;
}

// Every entry of a search, "." and ".." included, in the order returned.
inline std::vector<std::string> Listing(Vek::File::Find& find) {
    std::vector<std::string> names;
    do names.emplace_back(find.GetName());
    while (find.Next());
    return names;
}

}  // namespace FileTest
