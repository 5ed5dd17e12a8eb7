#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/Log.h"
#include "foundation/log/LogPrintf.h"
#include "support/TempDir.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LogPrintf, FormatsOnceSoPercentSignsInArgumentsStay) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "log.txt";
    Vek::Log::Init(("-LogFile=" + path + " ").c_str());
    LogPrintf("InterfaceTextDB::GetString> Tag '%s' at 100%%", "$a_%s_%d");
    LogPrintf(nullptr);
    Vek::Log::Shutdown();
    EXPECT_EQ(ReadFile(path), "InterfaceTextDB::GetString> Tag '$a_%s_%d' at 100%\n");
}

}  // namespace
