#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/Log.h"
#include "frontend/ScriptLog.h"
#include "gsruntime/GSLog.h"
#include "support/TempDir.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The sink prefixes its lines, cuts what does not fit its buffer and never
// reads a '%' of the formatted text as a format; once installed, the
// script runtime's messages arrive through it.
TEST(ScriptLog, PrefixesCutsLongTextAndReceivesTheRuntimesMessages) {
    VorlexTest::TempDir dir;
    Vek::Log::Init(("-LogFile=" + dir / "log.txt").c_str());

    const std::string longText(kScriptLogBufferSize + 100, 'x');
    ScriptLog("%s", longText.c_str());
    ScriptLog("%s", "100% done %s");
    InstallScriptLog();
    GSRuntime::GSLog("runtime %d", 7);
    Vek::Log::Shutdown();

    const std::string log = ReadAll(dir / "log.txt");
    const std::string cut = "ScriptLog> " + std::string(kScriptLogBufferSize - 1, 'x') + "\n";
    EXPECT_NE(log.find(cut), std::string::npos);
    EXPECT_EQ(log.find(std::string(kScriptLogBufferSize, 'x')), std::string::npos);
    EXPECT_NE(log.find("ScriptLog> 100% done %s\n"), std::string::npos);
    EXPECT_NE(log.find("ScriptLog> runtime 7\n"), std::string::npos);
}

}  // namespace
