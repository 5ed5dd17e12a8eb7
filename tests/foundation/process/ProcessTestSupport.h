#pragma once
// Helpers for the process tests: executable scripts and waits.
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace VorlexTest {

inline void WriteExecutable(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    ::chmod(path.c_str(), 0755);
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls until `done` answers true, at most `ms` milliseconds.
template <typename Done>
bool WaitFor(Done done, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

}  // namespace VorlexTest
