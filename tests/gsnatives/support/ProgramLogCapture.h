#pragma once
// The program log written to a temporary file while the capture lives;
// Text() closes the log and reads what was written.
#include <fstream>
#include <iterator>
#include <string>

#include "engine/Log.h"
#include "support/TempDir.h"

namespace GSNativesTest {

class ProgramLogCapture {
public:
    ProgramLogCapture() { Vek::Log::Init(("-LogFile=" + Path()).c_str()); }
    ~ProgramLogCapture() { Vek::Log::Shutdown(); }
    ProgramLogCapture(const ProgramLogCapture&) = delete;
    ProgramLogCapture& operator=(const ProgramLogCapture&) = delete;

    std::string Text() {
        Vek::Log::Shutdown();
        std::ifstream in(Path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string Path() const { return m_dir / "log.txt"; }
    VorlexTest::TempDir m_dir;
};

}  // namespace GSNativesTest
