// Temporary file names in the user data folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/Log.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/files/PathRules.h"
#include "foundation/files/TemporaryFilePath.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string InstallFolderOf(const VorlexTest::TempDir& temp) {
    Vek::File::Path path(temp.Path());
    NormalisePath(path);
    return path.Str();
}

// The call number in "temp-XXXXXXXX<number>.tmp".
int CallNumber(const Vek::File::Path& path) {
    std::string name = path.GetName();
    return std::atoi(name.substr(13, name.size() - 13 - 4).c_str());
}

}  // namespace

TEST(TemporaryFilePath, TheFirstCallsOfAProcessEndIn1And2) {
    // The call counter is process-wide: count from a fresh process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto firstTwo = []() -> int {
        VorlexTest::TempDir temp;
        const fs::path dir(temp.Path());
        SetInstallationFolders(InstallFolderOf(temp).c_str());
        const std::regex form(R"(temp-[0-9a-z]{8}(\d+)\.tmp)");
        Vek::File::Path first;
        Vek::File::Path second;
        if (!CreateTemporaryFilePath(first, Vek::PString())) return 2;
        if (!CreateTemporaryFilePath(second, Vek::PString())) return 3;
        std::smatch match;
        std::string firstName = first.GetName();
        std::string secondName = second.GetName();
        if (!std::regex_match(firstName, match, form) || match[1] != "1") return 4;
        if (!std::regex_match(secondName, match, form) || match[1] != "2") return 5;
        // In the user data folder, which the call made.
        Vek::File::Path folder = first;
        folder.DelName();
        if (folder.Str() != GetUserDataPath().Str()) return 6;
        if (!fs::is_directory(dir / "UserData")) return 7;
        // Only a name: no file is created.
        if (!fs::is_empty(dir / "UserData")) return 8;
        return 0;
    };
    EXPECT_EXIT(std::exit(firstTwo()), ::testing::ExitedWithCode(0), "");
}

TEST(TemporaryFilePath, FailsWhileTheUserDataFolderIsUnknown) {
    VorlexTest::TempDir temp;
    const std::string logFile = temp / "log.txt";
    Vek::Log::Init(("-LogFile=" + logFile).c_str());
    SetInstallationFolders(nullptr);
    Vek::File::Path path("kept");
    EXPECT_FALSE(CreateTemporaryFilePath(path, Vek::PString()));
    EXPECT_EQ(path.Str(), "kept");
    Vek::Log::Shutdown();

    std::ifstream in(logFile);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "CreateTemporaryFilePath> unable to form valid temp path in 100 tries, at path '' with prefix 'temp-'");
}

TEST(TemporaryFilePath, ThreadsGetDistinctCallNumbers) {
    VorlexTest::TempDir temp;
    SetInstallationFolders(InstallFolderOf(temp).c_str());
    constexpr int kThreads = 8;
    constexpr int kCalls = 50;
    std::vector<std::vector<int>> numbers(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&numbers, t] {
            for (int i = 0; i < kCalls; ++i) {
                Vek::File::Path path;
                if (CreateTemporaryFilePath(path, Vek::PString())) numbers[t].push_back(CallNumber(path));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::set<int> all;
    for (const auto& list : numbers) {
        EXPECT_EQ(list.size(), static_cast<std::size_t>(kCalls));
        all.insert(list.begin(), list.end());
    }
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kThreads * kCalls));
    EXPECT_EQ(*all.rbegin() - *all.begin(), kThreads * kCalls - 1);
    SetInstallationFolders(nullptr);
}
