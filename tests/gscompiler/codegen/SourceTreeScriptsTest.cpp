// The scripts of the source tree compile into sound libraries: the
// examples (one includes the other) and the runtime's own library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "gscompiler/libsupport/GSCheckedBuild.h"
#include "support/SourceTree.h"

namespace {

std::string ReadTreeFile(const std::string& relative) {
    const auto path = std::filesystem::path(SourceTreePath(relative));
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SourceTreeScripts : public GSTest::CheckedBuildTest {};

TEST_F(SourceTreeScripts, TheExamplesCompileIntoSoundLibraries) {
    const std::string timetable = ReadTreeFile("examples/scripts/timetable.gs");
    const std::string station = ReadTreeFile("examples/scripts/station.gs");
    ASSERT_FALSE(timetable.empty());
    ASSERT_FALSE(station.empty());
    auto compiled = Build(station, {{"timetable.gs", timetable}}, "station.gs");
    EXPECT_NE(compiled->library.Class("Announcer"), nullptr);
}

// The runtime's library declares natives the machine binds itself, so it
// is only checked here, not loaded.
TEST_F(SourceTreeScripts, TheRuntimeLibraryCompilesIntoASoundLibrary) {
    const std::string text = ReadTreeFile("src/gsruntime/scripts/gs.gs");
    ASSERT_FALSE(text.empty());
    folder.Write("gs.gs", text);
    auto compiled = folder.Compile("gs.gs");
    ASSERT_EQ(compiled->result, 0) << Join(compiled->messages);
    ASSERT_TRUE(compiled->written);
    Expect(*compiled, "gs.gs");
}

}  // namespace
