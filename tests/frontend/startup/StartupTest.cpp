#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assetdb/client/VADConnection.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/specs/SpecRegistry.h"
#include "engine/OSInitFailureSwitch.h"
#include "engine/RenderKernel.h"
#include "engine/ResourceSystem.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "frontend/Startup.h"
#include "meshes/RenderSetup.h"
#include "meshes/materials/VorlexMaterialPlugins.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"

namespace {

// Arguments as main receives them.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> words) : m_words(std::move(words)) {
        for (std::string& word : m_words) m_argv.push_back(word.data());
        m_argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(m_words.size()); }
    char** argv() { return m_argv.data(); }

private:
    std::vector<std::string> m_words;
    std::vector<char*> m_argv;
};

TEST(StartupSwitches, EngineOptionsForEachSwitchCombinationInAnyCase) {
    struct Case {
        std::vector<std::string> words;
        const char* options;
        bool noVadClient;
    };
    const Case cases[] = {
        {{"VorlexUtil", "version"}, "-render=OpenGL -hidewindow -LogFile=/dev/null ", false},
        {{"VorlexUtil", "version", "NoRender"}, "-NullRender -LogFile=/dev/null ", false},
        {{"VorlexUtil", "-VekLog", "version"}, "-render=OpenGL -hidewindow -LogStdOut ", false},
        {{"VorlexUtil", "NORENDER", "version", "-veklog", "-NoVadClient"}, "-NullRender -LogStdOut ", true},
        // Compared whole: a longer word or a batch-style spelling is no switch.
        {{"VorlexUtil", "norenderx", "-veklog=1", "-nostartvaddaemon"}, "-render=OpenGL -hidewindow -LogFile=/dev/null ",
         false},
        // argv[0] counts too.
        {{"norender"}, "-NullRender -LogFile=/dev/null ", false},
    };
    for (const Case& c : cases) {
        Arguments arguments(c.words);
        const InitSwitches switches = ReadInitSwitches(arguments.argc(), arguments.argv());
        EXPECT_EQ(BuildEngineOptions(switches), c.options) << c.words.back();
        EXPECT_EQ(switches.noVadClient, c.noVadClient) << c.words.back();
    }
}

TEST(StartupSwitches, AnEmptyLanguageSettingMeansUS) {
    EXPECT_STREQ(InterfaceLanguageFor(Vek::PString()).c_str(), "US");
    EXPECT_STREQ(InterfaceLanguageFor(Vek::PString("")).c_str(), "US");
    EXPECT_STREQ(InterfaceLanguageFor(Vek::PString("DE")).c_str(), "DE");
}

// An installation I with the program file I/bin/VorlexUtil (never run: its
// path only places the program folder) and, when asked, the built stand-in
// daemon as I/bin/vaddaemon.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_dir / "bin/ZIROzod");
        std::filesystem::create_directories(m_dir / "Data");
        std::filesystem::create_directories(m_dir / "elsewhere");
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1);
        ::setenv("VADDAEMON_TRANSCRIPT", (m_dir / "transcript.txt").c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "20", 1);
        ::unsetenv("VADDAEMON_SCENARIO");
        ASSERT_EQ(::chdir((m_dir / "elsewhere").c_str()), 0);
    }
    void TearDown() override {
        ShutdownUtility(m_context);
        if (m_withDaemon) TerminateProcessesByPath((m_dir / "bin/vaddaemon").c_str(), 200);
        ::unsetenv("VEK_FAIL_OS_INIT");
        ::unsetenv("VEK_FAIL_RENDER_INIT");
    }

    void InstallDaemon(const std::string& scenario = std::string()) {
        const char* build = std::getenv("VORLEX_BUILD_DIR");
        ASSERT_TRUE(build && *build) << "VORLEX_BUILD_DIR names the build tree";
        const std::string daemon = std::string(build) + "/tools/vaddaemon/vaddaemon";
        ASSERT_EQ(::access(daemon.c_str(), X_OK), 0) << "the stand-in daemon is built: " << daemon;
        std::filesystem::copy_file(daemon, m_dir / "bin/vaddaemon");
        ::chmod((m_dir / "bin/vaddaemon").c_str(), 0755);
        if (!scenario.empty()) {
            std::ofstream(m_dir / "scenario.txt") << scenario;
            ::setenv("VADDAEMON_SCENARIO", (m_dir / "scenario.txt").c_str(), 1);
        }
        ::setenv("VORLEX_OPEN_RETRY_MS", "200", 1);
        m_withDaemon = true;
    }
    // Start-up for I/bin/VorlexUtil; true when it failed.
    bool Start(std::vector<std::string> words) {
        words.insert(words.begin(), m_dir / "bin/VorlexUtil");
        Arguments arguments(words);
        return InitializeUtilityForProgram(m_context, arguments.argc(), arguments.argv(),
                                           (m_dir / "bin/VorlexUtil").c_str());
    }
    std::string TranscriptText() const {
        std::ifstream in(m_dir / "transcript.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    VorlexTest::TempDir m_dir;
    StartupContext m_context;
    bool m_withDaemon = false;
};

// Without a daemon start-up fails at its end, after the engine is up; the
// OS object and the render kernel each retry once with "-NullRender".
TEST_F(StartupTest, EachEngineInitialisationRetriesOnceWithTheNullRenderer) {
    ::setenv("VORLEX_OPEN_RETRY_MS", "1", 1);
    const std::string retry = "Unable to load render kernel. Retrying with -NullRender.\n";
    struct Case {
        const char* osFailures;
        const char* renderFailures;
        std::string err;
        Vek::OS::Renderer renderer;  // None: start-up stopped before the kernel
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"0", "0", "", Vek::OS::Renderer::OpenGL, {"version"}},
        {"0", "0", "", Vek::OS::Renderer::Null, {"version", "norender"}},
        {"1", "0", retry, Vek::OS::Renderer::Null, {"version"}},
        {"0", "1", retry, Vek::OS::Renderer::Null, {"version"}},
        {"1", "1", retry + retry, Vek::OS::Renderer::Null, {"version"}},
        {"2", "0", retry + "- Vek OS initialisation failed.\n", Vek::OS::Renderer::None, {"version"}},
        {"0", "2", retry + "- Unable to initialize render system\n\n", Vek::OS::Renderer::None, {"version"}},
    };
    for (const Case& c : cases) {
        const std::string what = std::string("os ") + c.osFailures + ", render " + c.renderFailures;
        ::setenv("VEK_FAIL_OS_INIT", c.osFailures, 1);
        ::setenv("VEK_FAIL_RENDER_INIT", c.renderFailures, 1);
        Vek::OSInitFailureSwitch::OSInit().Reset();
        Vek::OSInitFailureSwitch::RenderInit().Reset();

        testing::internal::CaptureStderr();
        EXPECT_TRUE(Start(c.words)) << what;  // no daemon
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << what;
        ASSERT_NE(m_context.renderKernel, nullptr) << what;
        EXPECT_EQ(m_context.renderKernel, Vek::RenderKernel::GetCurrent()) << what;
        EXPECT_EQ(m_context.renderKernel->GetRenderer(), c.renderer) << what;
        // The product's render set-up waits for the first material, and
        // runs only on a working kernel.
        EXPECT_FALSE(IsRenderSetupDone()) << what;
        if (Vek::MaterialManager* materials = m_context.renderKernel->GetMaterialManager()) {
            Vek::Material* material = nullptr;
            materials->LoadMaterial("first.m.onetex", &material);
            if (material) material->ReleaseReference();
        }
        EXPECT_EQ(IsRenderSetupDone(), c.renderer != Vek::OS::Renderer::None) << what;

        ShutdownUtility(m_context);
        EXPECT_EQ(m_context.os, nullptr) << what;
        EXPECT_EQ(m_context.renderKernel, nullptr) << what;
        EXPECT_EQ(m_context.resourceSystem, nullptr) << what;
        EXPECT_EQ(Vek::RenderKernel::GetCurrent(), nullptr) << what;
        EXPECT_EQ(Vek::ResourceSystem::GetCurrent(), nullptr) << what;
        EXPECT_FALSE(IsRenderSetupDone()) << what;
        EXPECT_FALSE(TETLib::DataManager::Exists()) << what;
    }
}

TEST_F(StartupTest, StartsTheStandInConnectsAndSelectsUSForAnEmptyLanguage) {
    ASSERT_NO_FATAL_FAILURE(InstallDaemon());
    InterfaceTextDB::SelectLanguage("DE");
    ASSERT_FALSE(Start({"version"}));

    EXPECT_TRUE(VADIsDatabaseOpen());
    EXPECT_NE(SpecRegistry::Instance(), nullptr);  // made when the database opened
    EXPECT_TRUE(IsMainThread());
    EXPECT_STREQ(InterfaceTextDB::SelectedFileName().c_str(), "InterfaceText.chump");
    EXPECT_EQ(GetStartupDirectory(), m_dir / "elsewhere");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(m_dir / "bin"));
    EXPECT_STREQ(GetUserDataPath().c_str(), (GetInstallationPath().c_str() + std::string("\\UserData")).c_str());
    ASSERT_TRUE(TETLib::DataManager::Exists());
    EXPECT_EQ(TETLib::DataManager::ToolsRenderKernel(), m_context.renderKernel);
    EXPECT_NE(TETLib::ErrorHandler::Instance(), nullptr);

    const std::string transcript = TranscriptText();
    EXPECT_NE(transcript.find("hello tag=VADC version=350 build=47059 kind=1 "), std::string::npos) << transcript;
    // Operation 102 with the interned strings "internet" and "language".
    EXPECT_NE(transcript.find("frame op=102 id=1 length=26 "
                              "payload=09000000696e7465726e657400090000006c616e677561676500"),
              std::string::npos)
        << transcript;
}

// A word that loads a material gets the product's render set-up first, so
// the material's plug-in takes the product's depth-sorted cache, not one of
// its own; `version` never makes it.
TEST_F(StartupTest, TheFirstMaterialGetsTheProductsRenderSetUp) {
    ASSERT_NO_FATAL_FAILURE(InstallDaemon());
    ASSERT_FALSE(Start({"version"}));
    EXPECT_FALSE(IsRenderSetupDone());

    Vek::Material* material = nullptr;
    ASSERT_EQ(m_context.renderKernel->GetMaterialManager()->LoadMaterial("body.m.tbumptex", &material), 0);
    EXPECT_TRUE(IsRenderSetupDone());
    EXPECT_EQ(RenderSetupKernel(), m_context.renderKernel);
    auto* bump = dynamic_cast<Vek::VorlexBumpPluginBase*>(material->GetPlugin());
    ASSERT_NE(bump, nullptr);
    ASSERT_NE(RenderSetup::Cache(0), nullptr);
    EXPECT_EQ(bump->GetAlphaBlendCache(), RenderSetup::Cache(0));
    material->ReleaseReference();

    ShutdownUtility(m_context);
    EXPECT_FALSE(IsRenderSetupDone());
}

TEST_F(StartupTest, TheDaemonsLanguageSelectsItsTexts) {
    ASSERT_NO_FATAL_FAILURE(InstallDaemon("rules\n{\n0\n{\nop 102\nreply\n{\n0 \"pstring DE\"\n}\n}\n}\n"));
    ASSERT_FALSE(Start({"version", "-NOVADCLIENT"}));
    EXPECT_STREQ(InterfaceTextDB::SelectedFileName().c_str(), "InterfaceGerman.chump");
    EXPECT_NE(TranscriptText().find("hello tag=VADC version=350 build=47059 kind=0 "), std::string::npos);
}

// Shutdown leaves nothing behind: the goodbye went out, the registry, the
// data manager (which wrote the missing personal details), the error
// handler, the location roots, networking and the engine objects are gone.
TEST_F(StartupTest, ShutdownReleasesEverythingAndSaysGoodbye) {
    ASSERT_NO_FATAL_FAILURE(InstallDaemon());
    ASSERT_FALSE(Start({"version"}));
    ASSERT_FALSE(GetResourceDatabaseCacheRows().empty());

    EXPECT_FALSE(ShutdownUtility(m_context));
    EXPECT_FALSE(VADIsDatabaseOpen());
    EXPECT_EQ(SpecRegistry::Instance(), nullptr);
    EXPECT_FALSE(TETLib::DataManager::Exists());
    EXPECT_EQ(TETLib::ErrorHandler::Instance(), nullptr);
    EXPECT_TRUE(GetResourceDatabaseCacheRows().empty());
    EXPECT_EQ(GetClientContext(), nullptr);
    EXPECT_EQ(Vek::RenderKernel::GetCurrent(), nullptr);
    EXPECT_EQ(Vek::ResourceSystem::GetCurrent(), nullptr);
    EXPECT_EQ(m_context.os, nullptr);

    std::ifstream details(m_dir / "bin/ZIROzod/personalDetails.txt");
    std::stringstream text;
    text << details.rdbuf();
    EXPECT_NE(text.str().find("isinputboxon"), std::string::npos);

    bool goodbye = false;
    for (int waited = 0; waited < 5000 && !goodbye; waited += 10) {
        goodbye = TranscriptText().find("c1 goodbye") != std::string::npos;
        if (!goodbye) ::usleep(10000);
    }
    EXPECT_TRUE(goodbye) << TranscriptText();
    // A second shutdown finds nothing to release.
    EXPECT_FALSE(ShutdownUtility(m_context));
}

TEST_F(StartupTest, ExistingPersonalDetailsAreReadAndWrittenBackWhole) {
    ASSERT_NO_FATAL_FAILURE(InstallDaemon());
    const std::string folder = m_dir / "bin/ZIROzod";
    const std::string path = folder + "/personalDetails.txt";
    std::ofstream(path) << "author \"Ann\"\nisinputboxon 0\n";
    ASSERT_FALSE(Start({"version"}));
    const TETLib::PersonalDetails& details = TETLib::DataManager::Instance()->GetPersonalDetails();
    EXPECT_STREQ(details.author.c_str(), "Ann");
    EXPECT_FALSE(details.isInputBoxOn);
    ShutdownUtility(m_context);

    // Rewritten through a temporary file renamed into place: the same
    // details, all six fields, and nothing left beside it.
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    for (const char* field : {"author", "organisation", "email", "website", "license", "isinputboxon"})
        EXPECT_NE(text.str().find(field), std::string::npos) << field;
    EXPECT_NE(text.str().find("\"Ann\""), std::string::npos);
    EXPECT_NE(text.str().find("isinputboxon                            0"), std::string::npos) << text.str();
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

}  // namespace
