// A library asset as a user makes one: installed with installfrompath and
// validated by the built program, then, in this process after the
// program's own start-up against the same installation and daemon, made
// into its library object by a script context, its functions called and
// its native plug-in loaded from the installation's "bin/plugins".
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "e2e/InstalledProgram.h"
#include "frontend/Startup.h"
#include "gsnatives/GSOLibrary.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOLibrarySpec.h"
#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"

namespace {

using namespace GSRuntime;

const char* const kConfig = R"(kuid                                    <kuid:523401:2001>
kind                                    "library"
username                                "Echo library"
category-class                          "SLIB"
category-region                         "UK"
category-era                            "1950s"
vorlex-build                            3.5
script                                  "echolib"
class                                   "EchoLibrary"
native-plugin                           "echo"
)";

const char* const kScript = R"(include "Library.gs"

class EchoLibrary isclass Library
{
	public string Greet(string who) { return "hello " + who; }
	public string Plugin(void)
	{
		string[] args = new string[2];
		args[0] = "a";
		args[1] = "b";
		return LibraryCallNative("Join", args, null);
	}
	public int Token(KUID owner)
	{
		string[] rights = new string[1];
		rights[0] = "read";
		SecurityToken token = IssueSecurityToken(owner, rights);
		if (token == null) return 0;
		if (Validate(token, me, "read")) return 2;
		return 1;
	}
};
)";

const KUID kLibraryKuid(523401, 2001, 0);

class LibraryAsset : public ::testing::Test {
protected:
    void TearDown() override {
        delete context;
        ShutdownUtility(startup);
    }

    // The built program's start-up for the installation, in this process.
    bool StartHere() {
        const std::string root = program.Root();
        ::setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
        ::setenv("VADDAEMON_TRANSCRIPT", program.TranscriptPath().c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "10", 1);
        ::setenv("VORLEX_OPEN_RETRY_MS", "200", 1);
        std::string word0 = program.Program();
        std::string word1 = "version";
        char* argv[] = {word0.data(), word1.data(), nullptr};
        return !InitializeUtilityForProgram(startup, 2, argv, program.Program().c_str());
    }

    std::string Text(GSNatives::GSOLibrary* library, const char* signature, std::initializer_list<uint32_t> args = {}) {
        uint32_t result = 0;
        GSClass* cls = library->GetScriptClass();
        if (!cls) return "<no class>";
        if (!CallScriptFunction(context, cls, GSScriptInstance::FromReference(library->GetReference()), signature,
                                &result, args))
            return "<failed>";
        const GSString* text = GSString::FromReference(result);
        std::string value = text ? text->c_str() : "<null>";
        GSScriptInstance::ReleaseReference(result);
        return value;
    }

    VorlexTest::InstalledProgram program;
    StartupContext startup;
    GSNatives::VorlexScriptContext* context = nullptr;
};

TEST_F(LibraryAsset, AnInstalledLibraryAssetIsAScriptsLibraryObject) {
    namespace fs = std::filesystem;
    const fs::path asset = fs::path(program.Elsewhere()) / "echolib";
    fs::create_directories(asset);
    VorlexTest::InstalledProgram::WriteFile(asset / "config.txt", kConfig);
    VorlexTest::InstalledProgram::WriteFile(asset / "echolib.gs", kScript);
    fs::create_directories(fs::path(program.Root()) / "bin/plugins");
    fs::copy_file(std::string(VORLEX_TEST_PLUGIN_DIR) + "/EchoPlugin.so",
                  fs::path(program.Root()) / "bin/plugins/echo.so");

    const VorlexTest::ProgramResult installed = program.Run({"installfrompath", asset.string()});
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
    const VorlexTest::ProgramResult validated = program.Run({"validate", "<kuid:523401:2001>"});
    EXPECT_EQ(validated.status, 0) << validated.out << validated.err;
    EXPECT_NE(validated.out.find("OK (0 Errors"), std::string::npos) << validated.out;

    ASSERT_TRUE(StartHere());
    ASSERT_TRUE(GSNatives::InitializeScriptSystem());
    context = new GSNatives::VorlexScriptContext();

    GSNatives::GSOLibrary* library = context->GetScriptLibrary(kLibraryKuid);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(context->GetScriptLibrary(kLibraryKuid), library) << "made once, then found in the context's list";
    auto* spec = dynamic_cast<GSNatives::GSOLibrarySpec*>(library->GetSpec().Get());
    ASSERT_NE(spec, nullptr);
    EXPECT_STREQ(spec->GetNativePluginName().c_str(), "echo");
    EXPECT_FALSE(spec->IsShared());

    const uint32_t who = (new GSString(context, "world"))->GetReference();
    EXPECT_EQ(Text(library, "$string@EchoLibrary::Greet(string)", {who}), "hello world");
    EXPECT_EQ(Text(library, "$string@EchoLibrary::Plugin()"), "a,b");

    // The library may issue security tokens: it is a scriptable object of
    // its asset, which the token names as its issuer.
    uint32_t answer = 0;
    const uint32_t owner = GSNatives::GSOKUID::GetOrCreate(kLibraryKuid, context)->GetReference();
    ASSERT_TRUE(CallScriptFunction(context, library->GetScriptClass(),
                                   GSScriptInstance::FromReference(library->GetReference()),
                                   "$int@EchoLibrary::Token(KUID)", &answer, {owner}));
    EXPECT_EQ(answer, 2u) << "1: issued but not valid for its own issuer; 0: not issued";

    // A KUID that names no library asset gives none.
    EXPECT_EQ(context->GetScriptLibrary(KUID(523401, 2999, 0)), nullptr);
}

}  // namespace
