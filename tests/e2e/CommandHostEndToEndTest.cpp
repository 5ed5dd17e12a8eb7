// The command host as the daemon uses it: the program runs as
// "vadcommandhost", registers with the stand-in daemon, and answers the
// scenario's jobs; the daemon records each reply in its transcript.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "InstalledProgram.h"

namespace {

using VorlexTest::InstalledProgram;
using VorlexTest::ProgramResult;

void WriteTga(const std::string& path, int side, uint32_t pixel) {
    std::ofstream image(path, std::ios::binary);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(side), 0,
                                static_cast<uint8_t>(side), 0, 32, 0x28};
    image.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int i = 0; i < side * side; ++i) image.write(reinterpret_cast<const char*>(&pixel), 4);
}

// The payload of the transcript's line "job reply N payload=HEX", or "" when
// there is none.
std::string JobReply(const std::string& transcript, int n) {
    const std::string mark = " job reply " + std::to_string(n) + " payload=";
    const std::size_t at = transcript.find(mark);
    if (at == std::string::npos) return std::string();
    const std::size_t start = at + mark.size();
    return transcript.substr(start, transcript.find('\n', start) - start);
}

}  // namespace

TEST(CommandHostEndToEnd, TheTextureJobConvertsTheFolderAndAnswersWithItsResult) {
    InstalledProgram installed;
    const std::string folder = installed.Root() + "/UserData/local/textures";
    std::filesystem::create_directories(folder + "/sub");
    WriteTga(folder + "/sub/wall.tga", 64, 0xFF204060u);
    InstalledProgram::WriteFile(folder + "/sub/wall.texture.txt", "Primary=wall.tga\n");
    std::filesystem::create_directories(installed.Root() + "/UserData/local/broken");
    InstalledProgram::WriteFile(installed.Root() + "/UserData/local/broken/b.texture.txt", "Primary=none.tga\n");
    const std::string scenario = installed.UseScenario(
        "jobs\n{\n"
        "  0 { payload { 0 \"int32 1\"  1 \"pstring local\"  2 \"string textures\" } }\n"
        "  1 { payload { 0 \"int32 1\"  1 \"pstring local\"  2 \"string broken\" } }\n"
        "}\n");

    ProgramResult host;
    std::thread running([&] { host = installed.Run({"vadcommandhost"}, {scenario}); });
    const bool replied = installed.TranscriptHas(" job reply 1 payload=", 60000);
    // The host ends when its daemon goes.
    installed.StopDaemons();
    running.join();
    ASSERT_TRUE(replied) << installed.Transcript() << host.out << host.err;

    const std::string transcript = installed.Transcript();
    // The log (its first word, then its entry count: none), then the result
    // 2: every description converted.
    EXPECT_EQ(JobReply(transcript, 0), "000000000000000002000000") << transcript;
    EXPECT_TRUE(std::filesystem::exists(folder + "/sub/wall.texture"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/sub/wall.texture.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/sub/wall.convert-tex.txt"));

    // An image that cannot be loaded: entries, then the result 0; the
    // description keeps its name. The second job came while the first was
    // running, and its reply still comes second.
    const std::string failed = JobReply(transcript, 1);
    ASSERT_GE(failed.size(), 24u) << transcript;
    EXPECT_NE(failed.substr(8, 8), "00000000") << "the failure is logged";
    // The message's text with the description's own name.
    EXPECT_NE(failed.find("5468652074657874757265206465736372697074696f6e202762726f6b656e5c622e746578747572652e7478742720696e20276c6f63616c272063616e6e6f74206265206c6f616465642e"), std::string::npos)
        << "\"The texture description 'broken\\b.texture.txt' in 'local' cannot be loaded.\"";
    EXPECT_EQ(failed.substr(failed.size() - 8), "00000000") << failed;
    EXPECT_TRUE(std::filesystem::exists(installed.Root() + "/UserData/local/broken/b.texture.txt"));
}
