// Scriptable objects in a product context: the three steps, the script
// initialisation and its failures, the default source and source changes,
// and custom sources compiled into "CustomObject".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/files/InstallFolders.h"
#include "gsnatives/CustomObjectSource.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/support/VorlexScriptHost.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/router/GSRouter.h"
#include "support/TempDir.h"

#include <unistd.h>

namespace {

using GSNatives::DelayedInitClient;
using GSNativesTest::TestScriptable;

const char* const kFixtures = R"(include "Vorlex.gs"

class Good isclass VorlexGameObject
{
	public int inits;
	public void Init(Asset asset) { inherited(asset); inits = inits + 1; }
	public string Name(void) { return "good"; }
};
class InitThrows isclass VorlexGameObject
{
	public void Init(Asset asset) { inherited(asset); Vorlex.OpenURL(""); }
};
class NoAsset isclass VorlexGameObject
{
	public Asset GetAsset(void) { return null; }
};
class Plain isclass GameObject
{
};
class Configured isclass VorlexGameObject
{
	public string seen;
	public bool locked;
	public void SetProperties(Soup soup) { seen = soup.GetNamedTag("livery"); locked = soup.IsLocked(); }
	public string Seen(void) { return seen; }
	public bool Locked(void) { return locked; }
};
class Unconfigurable isclass VorlexGameObject
{
	public void SetProperties(Soup soup) { Vorlex.OpenURL(""); }
};
)";

class ScriptableObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start({{"fixtures.gs", kFixtures}}));
        host.InstallAssetObjects();
    }

    GSRuntime::GSClass* Fixture(const char* name) { return host.Class("fixtures.gsl", name); }

    GSNativesTest::VorlexScriptHost host;
    std::unique_ptr<VorlexBaseSpec> spec = GSNativesTest::NewTestSpec(KUID(123, 45, 0));
};

TEST_F(ScriptableObjectTest, ConstructionRegistersAndCompleteBringsTheObjectUp) {
    auto* object = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    EXPECT_TRUE(object->HasInitFlags(DelayedInitClient::kRegistered));
    EXPECT_EQ(host.context->WaitingCount(), 1u);
    EXPECT_EQ(object->GetReference(), 0u);  // nothing bound before the steps

    host.context->CompleteAll();
    EXPECT_EQ(host.context->WaitingCount(), 0u);
    EXPECT_TRUE(object->HasInitFlags(DelayedInitClient::kAllSteps));
    EXPECT_FALSE(object->HasFailed());
    EXPECT_EQ(object->GetClass(), Fixture("Good"));
    EXPECT_NE(object->Id(), -1);  // joined the router
    EXPECT_EQ(object->afterInitCalls, 1);
    EXPECT_EQ(GSNativesTest::VorlexScriptHost::CallString(object, "$string@Good::Name()"), "good");
}

// Each way the script initialisation can fail ends with `failed` set and
// without AfterInit.
TEST_F(ScriptableObjectTest, EveryInitialisationFailureMarksTheObjectFailed) {
    struct Case {
        const char* name;
        const char* fixture;  // null: no script class at all
        bool noBind;
    };
    const Case cases[] = {
        {"Init raises", "InitThrows", false},
        {"GetAsset answers null", "NoAsset", false},
        {"class without Init(Asset)", "Plain", false},
        {"no script class", nullptr, false},
        {"binding switched off", "Good", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* object = new TestScriptable(host.context, spec.get(), c.fixture ? Fixture(c.fixture) : nullptr);
        if (c.noBind) object->SetInitFlags(DelayedInitClient::kNoBind);
        host.context->Complete(object);
        EXPECT_TRUE(object->HasFailed());
        EXPECT_EQ(object->afterInitCalls, 0);
        EXPECT_TRUE(object->HasInitFlags(DelayedInitClient::kAllSteps));
        if (!object->GetReference()) delete object;
    }
}

// Objects that still wait when their context goes are destroyed with it
// (bound ones) or after it (unbound ones), and neither reaches back into the
// context's manager.
TEST_F(ScriptableObjectTest, WaitingObjectsOutliveTheirContextsManagerSafely) {
    auto* bound = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    bound->InitStep1();
    bound->InitStep2();
    ASSERT_NE(bound->GetReference(), 0u);
    host.context->GetRouter()->AddNode(bound);  // the router ends its nodes
    auto* unbound = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    ASSERT_EQ(host.context->WaitingCount(), 2u);

    delete host.context;  // destroys `bound` with the other tracked objects
    host.context = nullptr;
    EXPECT_FALSE(unbound->HasInitFlags(DelayedInitClient::kRegistered));
    delete unbound;
}

TEST_F(ScriptableObjectTest, PendingPropertiesReachTheScriptAsALockedSoupOnce) {
    SoupHandle properties;
    properties.SetString(Vek::PString("livery"), "maroon");
    auto* object = new TestScriptable(host.context, spec.get(), Fixture("Configured"));
    object->SetPendingProperties(properties);
    host.context->Complete(object);
    ASSERT_FALSE(object->HasFailed());
    EXPECT_FALSE(object->HasPendingProperties());
    EXPECT_EQ(GSNativesTest::VorlexScriptHost::CallString(object, "$string@Configured::Seen()"), "maroon");
    uint32_t locked = 0;
    ASSERT_TRUE(GSNativesTest::VorlexScriptHost::Call(object, "$bool@Configured::Locked()", &locked));
    EXPECT_EQ(locked, 1u);

    auto* refusing = new TestScriptable(host.context, spec.get(), Fixture("Unconfigurable"));
    refusing->SetPendingProperties(properties);
    host.context->Complete(refusing);
    EXPECT_TRUE(refusing->HasFailed());
    EXPECT_FALSE(refusing->HasPendingProperties());
}

TEST_F(ScriptableObjectTest, AnObjectWithoutAssetSpecHasNoClass) {
    auto* object = new TestScriptable(host.context, nullptr);
    host.context->Complete(object);
    EXPECT_TRUE(object->HasFailed());
    EXPECT_EQ(object->GetReference(), 0u);
    delete object;
}

TEST_F(ScriptableObjectTest, TheDefaultSourceNamesTheBaseLibraryAndClass) {
    TestScriptable object(nullptr, spec.get());
    EXPECT_EQ(std::string(object.GetSourceText().c_str()),
              "include \"Vorlex.gs\"\n"
              "\n"
              "include \"gs.gs\"\n"
              "\n"
              "class CustomObject isclass GameObject\n"
              "{\n"
              "  public void Init(Asset self)\n"
              "  {\n"
              "    inherited(self);\n"
              "    //...\n"
              "  }\n"
              "};\n"
              "\n");
    EXPECT_EQ(object.GetStoredSourceText().Length(), 0u);
}

class CustomSourceTest : public ScriptableObjectTest {
protected:
    void SetUp() override {
        ScriptableObjectTest::SetUp();
        SetInstallationFolders(install.Path().c_str());
        std::filesystem::create_directories(install / "UserData");
    }
    void TearDown() override { SetInstallationFolders(""); }

    // Files of the cache folder.
    std::vector<std::string> CacheFiles() const {
        std::vector<std::string> names;
        if (std::filesystem::exists(install / "UserData/cache"))
            for (const auto& entry : std::filesystem::directory_iterator(install / "UserData/cache"))
                names.push_back(entry.path().filename().string());
        return names;
    }

    VorlexTest::TempDir install;
};

const char* const kCustom = R"(include "Vorlex.gs"
include "fixtures.gs"

class CustomObject isclass Good
{
	public string Name(void) { return "custom"; }
};
)";

TEST_F(CustomSourceTest, ACustomSourceCompilesIntoCustomObjectAndLeavesNoFileBehind) {
    // Another process's temporary source in the same installation.
    std::filesystem::create_directories(install / "UserData/cache");
    const std::string foreign = "temp_object_" + std::to_string(::getpid() + 1) + ".gs";
    std::ofstream(install / ("UserData/cache/" + foreign)) << "class CustomObject isclass Nowhere {};\n";

    auto* object = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    object->SetSourceText(Vek::String(kCustom));
    host.context->Complete(object);
    ASSERT_FALSE(object->HasFailed());
    ASSERT_NE(object->GetClass(), nullptr);
    EXPECT_STREQ(object->GetClass()->Name(), "CustomObject");
    EXPECT_EQ(GSNativesTest::VorlexScriptHost::CallString(object, "$string@Good::Name()"), "custom");
    EXPECT_EQ(CacheFiles(), std::vector<std::string>{foreign});
}

TEST_F(CustomSourceTest, ASourceThatDoesNotCompileFailsTheObjectAndLeavesNoFileBehind) {
    auto* object = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    object->SetSourceText(Vek::String("class CustomObject isclass Nowhere {};\n"));
    host.context->Complete(object);
    EXPECT_TRUE(object->HasFailed());
    EXPECT_EQ(object->GetReference(), 0u);
    EXPECT_EQ(CacheFiles(), std::vector<std::string>{});
    delete object;
}

TEST_F(CustomSourceTest, SettingTheDefaultSourceChangesNothingAndABlankSourceRebinds) {
    auto* object = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    host.context->Complete(object);
    ASSERT_FALSE(object->HasFailed());
    const int calls = object->scriptClassCalls;

    object->SetSourceText(object->GetSourceText());
    EXPECT_EQ(object->GetStoredSourceText().Length(), 0u);
    EXPECT_EQ(object->scriptClassCalls, calls);

    object->SetSourceText(Vek::String(kCustom));
    EXPECT_EQ(object->scriptClassCalls, calls + 1);
    EXPECT_STREQ(object->GetClass()->Name(), "CustomObject");
    EXPECT_FALSE(object->HasFailed());

    object->SetSourceText(Vek::String("  \n\t\r\n"));
    EXPECT_EQ(object->GetStoredSourceText().Length(), 0u);
    EXPECT_EQ(object->scriptClassCalls, calls + 2);
    EXPECT_EQ(object->GetClass(), Fixture("Good"));
    EXPECT_FALSE(object->HasFailed());
    EXPECT_EQ(GSNativesTest::VorlexScriptHost::CallString(object, "$string@Good::Name()"), "good");
}

TEST_F(CustomSourceTest, ASourceChangeBeforeStepThreeOnlyStoresTheText) {
    auto* object = new TestScriptable(host.context, spec.get(), Fixture("Good"));
    object->SetSourceText(Vek::String(kCustom));
    EXPECT_EQ(object->scriptClassCalls, 0);
    EXPECT_EQ(object->GetReference(), 0u);
    delete object;
}

}  // namespace
