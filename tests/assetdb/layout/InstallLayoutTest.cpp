// Setting the installation folder, the write test of the user data folder
// and the folders derived from the installation folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "assetdb/layout/InstallLayout.h"
#include "engine/Log.h"
#include "foundation/files/PathRules.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string Normalised(const std::string& osPath) {
    Vek::File::Path path(osPath);
    NormalisePath(path);
    return path.Str();
}

}  // namespace

TEST(InstallLayout, TheInstallationPathIsKeptNormalisedAndUserDataIsMade) {
    VorlexTest::TempDir temp;
    const fs::path install = fs::path(temp.Path()) / "Vorlex Game";
    fs::create_directories(install / "bin");

    EXPECT_TRUE(SetInstallationPath((install.string() + "/bin/../").c_str()));
    const std::string expected = Normalised(install.string());
    EXPECT_EQ(expected.find('/'), std::string::npos);
    EXPECT_EQ(GetInstallationPath().Str(), expected);
    EXPECT_EQ(GetInstallationPath().Str().back(), 'e');  // "...\vorlex game", no trailing separator
    EXPECT_EQ(GetUserDataPath().Str(), expected + "\\UserData");
    // Made on disk under the name as written, inside the folder found
    // without regard to case; the write test leaves nothing behind.
    EXPECT_TRUE(fs::is_directory(install / "UserData"));
    EXPECT_TRUE(fs::is_empty(install / "UserData"));
    EXPECT_TRUE(CheckUserDataWritable());
    EXPECT_TRUE(fs::is_empty(install / "UserData"));
    SetInstallationFolders(nullptr);
}

TEST(InstallLayout, PathGettersFollowTheLayoutAndAreEmptyWhileUnknown) {
    using Getter = Vek::File::Path (*)();
    const struct {
        const char* name;
        Getter get;
        const char* expected;
    } getters[] = {
        {"daemon", GetDaemonProgramPath, "\\games\\vorlex\\bin\\vaddaemon"},
        {"plugins", GetPluginsFolderPath, "\\games\\vorlex\\bin\\plugins"},
        {"builtin", GetBuiltinFolderPath, "\\games\\vorlex\\builtin"},
        {"prebuilt", GetPrebuiltFolderPath, "\\games\\vorlex\\prebuilt"},
        {"scripts", GetScriptsFolderPath, "\\games\\vorlex\\scripts"},
        {"database", GetDatabasePath, "\\games\\vorlex\\UserData\\assets.vdx"},
        {"cache", GetCacheFolderPath, "\\games\\vorlex\\UserData\\cache"},
        {"library cache", GetLibraryCacheFolderPath, "\\games\\vorlex\\UserData\\cache\\libraries"},
        {"user libraries", GetUserLibrariesFolderPath, "\\games\\vorlex\\UserData\\libraries"},
    };
    SetInstallationFolders(nullptr);
    for (const auto& g : getters) EXPECT_TRUE(g.get().IsEmpty()) << g.name;
    EXPECT_TRUE(GetScriptCacheFolder(KUID(1, 2, 0)).IsEmpty());

    SetInstallationFolders("\\games\\vorlex");
    for (const auto& g : getters) EXPECT_EQ(g.get().Str(), g.expected) << g.name;
    SetInstallationFolders(nullptr);
}

TEST(InstallLayout, GetScriptCacheFolderMakesTheLibraryCacheOnly) {
    VorlexTest::TempDir temp;
    const fs::path install(temp.Path());
    fs::create_directories(install / "UserData" / "cache");
    SetInstallationFolders(Normalised(install.string()).c_str());

    const Vek::File::Path folder = GetScriptCacheFolder(KUID(1, 2, 3));
    EXPECT_EQ(folder.Str(), GetLibraryCacheFolderPath().Str() + "\\kuid2 1 2 3");
    EXPECT_TRUE(fs::is_directory(install / "UserData" / "cache" / "libraries"));
    EXPECT_FALSE(fs::exists(install / "UserData" / "cache" / "libraries" / "kuid2 1 2 3"));
    SetInstallationFolders(nullptr);
}

TEST(InstallLayout, GetModulePathNamesThisProgram) {
    Vek::File::Path path;
    ASSERT_TRUE(GetModulePath(path));
    EXPECT_TRUE(fs::equivalent(path.Str(), "/proc/self/exe"));
}

TEST(InstallLayoutDeathTest, AnEmptyInstallationPathIsFatal) {
    // The text goes to the program log before the process ends.
    VorlexTest::TempDir temp;
    const std::string logFile = temp / "log.txt";
    Vek::Log::Init(("-LogFile=" + logFile).c_str());
    EXPECT_EXIT(SetInstallationPath(""), ::testing::ExitedWithCode(1),
                "^Error: Unable to determine application installation path\\.\n$");
    Vek::Log::Shutdown();
    std::ifstream in(logFile);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "Unable to determine application installation path.");
}

TEST(InstallLayoutDeathTest, AReadOnlyUserDataFolderIsFatal) {
    VorlexTest::TempDir temp;
    const fs::path install(temp.Path());
    fs::create_directories(install / "UserData");
    ::chmod(temp.Path().c_str(), 0755);
    ::chmod((install / "UserData").c_str(), 0555);

    // Root writes anyway: the child gives up its privileges first, and the
    // test is skipped where it cannot.
    auto runAsUser = [&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(77);
        SetInstallationPath(install.c_str());
        std::_Exit(0);
    };
    if (::geteuid() == 0) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) std::_Exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? 0 : 77);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EXIT(runAsUser(), ::testing::ExitedWithCode(1),
                "^Error: Unable to acquire write access to UserData folder\\.\n$");
    EXPECT_TRUE(fs::is_empty(install / "UserData"));
}
