#pragma once
// Shared pieces of the runtime tests: a capture of the runtime's log lines,
// and a temporary folder mapped as an engine file root into which tests
// write library files.
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/PString.h"
#include "gsruntime/GSLog.h"
#include "support/TempDir.h"

namespace GSTest {

// Collects every runtime log line while it lives.
class LogCapture {
public:
    LogCapture() {
        Lines().clear();
        GSRuntime::GSLogCallback = &Sink;
    }
    ~LogCapture() { GSRuntime::GSLogCallback = nullptr; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }
    // Lines that equal `text`.
    static int Count(const std::string& text) {
        int n = 0;
        for (const std::string& line : Lines()) n += line == text;
        return n;
    }
    static void Clear() { Lines().clear(); }

private:
    static void Sink(const char* format, ...) {
        va_list args;
        va_start(args, format);
        char buffer[4096];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        Lines().push_back(buffer);
    }
};

// A temporary folder, reachable through a root name of its own.
class TempRoot {
public:
    TempRoot() {
        static int counter = 0;
        m_root = Vek::PString(("gstest" + std::to_string(++counter)).c_str());
        Vek::File::Subst(m_root, m_dir.Path().c_str(), true);
    }
    ~TempRoot() { Vek::File::Subst(m_root, nullptr, true); }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const Vek::PString& Root() const { return m_root; }
    const std::string& Path() const { return m_dir.Path(); }
    // Writes a file below the folder (its folder must exist).
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(m_dir / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

private:
    VorlexTest::TempDir m_dir;
    Vek::PString m_root;
};

}  // namespace GSTest
