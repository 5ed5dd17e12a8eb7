// Library objects: their script's initialisation, saved properties, the
// click notice of the system menu, and calls into the asset's native
// plug-in through LibraryCallNative.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/notifications/NuMessageData.h"
#include "foundation/streams/BufferStream.h"
#include "gsnatives/GSOLibrary.h"
#include "gsnatives/GSOLibrarySpec.h"
#include "gsnatives/GSOOnlineAccess.h"
#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsnatives/support/FakeAssetRequests.h"
#include "gsnatives/support/PluginFolder.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/support/GSTestSupport.h"

namespace {

using namespace GSRuntime;
using GSNatives::GSOLibrary;
using GSNatives::GSOLibrarySpec;

const char* const kProbe = R"(include "Library.gs"
include "Constructors.gs"

class ProbeLibrary isclass Library
{
	Asset asset;
	int inits;
	int clicks;
	int applied;
	string appliedText;

	public void Init(Asset self)
	{
		asset = self;
		++inits;
		AddHandler(me, "Interface", "ClickSystemButton", "OnClick");
	}
	public Asset GetAsset(void) { return asset; }
	public void SetProperties(Soup soup) { ++applied; appliedText = soup.GetNamedTag("colour"); }
	public Soup GetProperties(void)
	{
		Soup soup = ConstructorsBase.NewSoup();
		soup.SetNamedTag("colour", "red");
		return soup;
	}
	void OnClick(Message msg) { ++clicks; }

	public int Inits(void) { return inits; }
	public int Clicks(void) { return clicks; }
	public int Applied(void) { return applied; }
	public string AppliedText(void) { return appliedText; }
	public void AddIcon(Asset target, string text) { AddSystemMenuIcon(target, text, ""); }
	public void AddIconUnflagged(Asset target) { AddSystemMenuIcon(target, "t", "u", false); }
	public void RemoveIcon(void) { RemoveSystemMenuIcon(); }
	public string CallNative(string function, string[] args) { return LibraryCallNative(function, args, null); }
	public OnlineAccess Online(void) { return GetOnlineAccess(); }
	public string CallWithThree(string function)
	{
		string[] args = new string[3];
		args[0] = "a";
		args[2] = "c";
		return LibraryCallNative(function, args, null);
	}
};
)";

const KUID kLibraryAsset(20, 1, 0);

// A host that records what the library asks of its system menu.
class MenuHost : public GSNatives::VorlexScriptContext {
public:
    void SetSystemMenuIcon(GSOLibrary*, const KUID& asset, const Vek::PString& text1, const Vek::PString& text2,
                           bool flag) override {
        calls.push_back(std::string(asset.ToTagString().c_str()) + " '" + text1.c_str() + "' '" + text2.c_str() +
                        "' " + (flag ? "on" : "off"));
    }
    std::vector<std::string> calls;
};

// A library whose script class is the probe's (a library asset's own
// compiled script stands there in a real installation).
class ProbeLibraryObject : public GSOLibrary {
public:
    ProbeLibraryObject(GSNatives::VorlexScriptContext* context, GSOLibrarySpec* spec, GSClass* cls)
        : GSOLibrary(context, spec), m_class(cls) {}
    GSClass* GetScriptClass() override { return m_class; }

private:
    GSClass* m_class;
};

class LibraryObjects : public ::testing::Test {
protected:
    void SetUp() override {
        libraries.AddSource("probe.gs", kProbe);
        ASSERT_EQ(libraries.CompileAll(), "");
        ASSERT_TRUE(GSNatives::InitializeScriptSystem());
        probeClass = GSMachine::Instance()->GetLibraryByName("probe.gsl")->FindClass("ProbeLibrary");
        ASSERT_NE(probeClass, nullptr);
        requests.AddAsset(kLibraryAsset, "Probe library");
        plugins.InstallPlugin("EchoPlugin", "echo");
        context = new MenuHost();
    }
    void TearDown() override { delete context; }

    GSOLibrary* MakeLibrary(const char* plugin) {
        // AssetSpecs belong to their registry; the test is that here.
        specs.push_back(std::make_unique<GSOLibrarySpec>(Vek::PString("local"), "", kLibraryAsset, SoupHandle(),
                                                         "probe", false, Vek::PString(plugin)));
        auto* library = new ProbeLibraryObject(context, specs.back().get(), probeClass);
        context->GetLibraryList().AddItem(library);
        return library;
    }
    uint32_t Call(GSOLibrary* library, const char* signature, std::initializer_list<uint32_t> arguments = {}) {
        uint32_t result = 0;
        EXPECT_TRUE(CallScriptFunction(context, probeClass, GSScriptInstance::FromReference(library->GetReference()),
                                       signature, &result, arguments))
            << signature;
        return result;
    }
    std::string Text(GSOLibrary* library, const char* signature, std::initializer_list<uint32_t> arguments = {}) {
        const uint32_t result = Call(library, signature, arguments);
        const GSString* text = GSString::FromReference(result);
        std::string value = text ? text->c_str() : "null";
        GSScriptInstance::ReleaseReference(result);
        return value;
    }
    uint32_t String(const char* text) { return (new GSString(context, text))->GetReference(); }

    std::vector<std::unique_ptr<GSOLibrarySpec>> specs;
    GSNativesTest::PluginFolder plugins;
    GSNativesTest::ShippedLibraries libraries;
    GSNativesTest::FakeAssetRequests requests;
    GSTest::LogCapture log;
    GSClass* probeClass = nullptr;
    MenuHost* context = nullptr;
};

TEST_F(LibraryObjects, CallScriptInitRunsTheScriptsInitOnce) {
    GSOLibrary* library = MakeLibrary("");
    library->CallScriptInit();
    ASSERT_FALSE(library->HasFailed());
    library->CallScriptInit();
    EXPECT_EQ(Call(library, "$int@ProbeLibrary::Inits()"), 1u);
    EXPECT_TRUE(library->IsInitialised());
}

TEST_F(LibraryObjects, SavedPropertiesComeBackToTheScript) {
    GSOLibrary* first = MakeLibrary("");
    first->CallScriptInit();
    TBuffer saved;
    first->SaveState(saved);
    ASSERT_GT(saved.GetDataSize(), 4);

    GSOLibrary* second = MakeLibrary("");
    saved.Seek(0, TStream::kSeekSet);
    second->LoadState(saved);
    EXPECT_TRUE(second->HasLibraryProperties()) << "waiting for the script";
    second->CallScriptInit();
    EXPECT_FALSE(second->HasLibraryProperties());
    EXPECT_EQ(Call(second, "$int@ProbeLibrary::Applied()"), 1u);
    EXPECT_EQ(Text(second, "$string@ProbeLibrary::AppliedText()"), "red");

    // Loaded after the initialisation: applied at once.
    saved.Seek(0, TStream::kSeekSet);
    second->LoadState(saved);
    EXPECT_EQ(Call(second, "$int@ProbeLibrary::Applied()"), 2u);
}

TEST_F(LibraryObjects, OnlyAClickWithTheMenuValueReachesTheScript) {
    GSOLibrary* library = MakeLibrary("");
    library->CallScriptInit();
    const Vek::PString click("click");
    auto value = [](intptr_t v) { return reinterpret_cast<void*>(v); };
    EXPECT_EQ(library->HandleMessage(NuMessageData(click, value(7))), 1) << "no menu value yet";
    library->SetMenuValue(7);
    EXPECT_EQ(library->HandleMessage(NuMessageData(click, value(8))), 1) << "another entry's value";
    EXPECT_EQ(library->HandleMessage(NuMessageData(Vek::PString("hover"), value(7))), 1);
    EXPECT_EQ(Call(library, "$int@ProbeLibrary::Clicks()"), 0u);
    EXPECT_EQ(library->HandleMessage(NuMessageData(click, value(7))), 0);
    EXPECT_EQ(Call(library, "$int@ProbeLibrary::Clicks()"), 1u);
}

TEST_F(LibraryObjects, LibraryCallNativeCallsThePlugIn) {
    GSOLibrary* library = MakeLibrary("echo");
    ASSERT_NE(library->GetPlugin(), nullptr);
    library->CallScriptInit();
    EXPECT_EQ(Text(library, "$string@ProbeLibrary::CallNative(string,string[])", {String("InitCount"), 0}), "1");
    EXPECT_EQ(Text(library, "$string@ProbeLibrary::CallWithThree(string)", {String("Join")}), "a,<null>,c");
    EXPECT_EQ(Text(library, "$string@ProbeLibrary::CallNative(string,string[])", {String("Join"), 0}), "")
        << "a null array gives the plug-in an empty one";
    EXPECT_EQ(Text(library, "$string@ProbeLibrary::CallNative(string,string[])", {String("Array"), 0}), "null")
        << "an answer that is no string gives null";

    // The argument array's count is given back after the call.
    auto* arguments = new GSArray(context, true);
    arguments->SetElementReference(0, String("x"), false, nullptr);
    const GSDataRef reference = arguments->GetReference();
    GSScriptInstance::AddRef(reference);  // the call's own
    EXPECT_EQ(Text(library, "$string@ProbeLibrary::CallNative(string,string[])", {String("Join"), reference}), "x");
    EXPECT_EQ(GSScriptInstance::FromReference(reference)->count, 1) << "only the test's count is left";
    GSScriptInstance::ReleaseReference(reference);
}

TEST_F(LibraryObjects, WithoutAPlugInTheCallIsLoggedAndAnswersEmpty) {
    GSOLibrary* library = MakeLibrary("missing");
    EXPECT_EQ(library->GetPlugin(), nullptr);
    library->CallScriptInit();
    EXPECT_EQ(Text(library, "$string@ProbeLibrary::CallNative(string,string[])", {String("Go"), 0}), "");
    // The AssetSpec's description asks the daemon for the name: there is none
    // here, so the name is empty.
    EXPECT_EQ(GSTest::LogCapture::Count(
                  "Library.LibraryCall> unknown function 'Go' was called on object '<kuid:20:1> \"\"'"),
              1);
}

}  // namespace

TEST_F(LibraryObjects, MenuIconsGoToTheHost) {
    GSOLibrary* library = MakeLibrary("");
    library->CallScriptInit();
    GSRuntime::GSObject* asset = context->GetAssetObject(kLibraryAsset);
    ASSERT_NE(asset, nullptr);
    auto pass = [&] {
        GSScriptInstance::AddRef(asset->GetReference());
        return asset->GetReference();
    };
    Call(library, "$void@ProbeLibrary::AddIcon(Asset,string)", {pass(), String("")});
    Call(library, "$void@ProbeLibrary::AddIconUnflagged(Asset)", {pass()});
    Call(library, "$void@ProbeLibrary::RemoveIcon()");
    uint32_t result = 0;
    EXPECT_FALSE(CallScriptFunction(context, probeClass, GSScriptInstance::FromReference(library->GetReference()),
                                    "$void@ProbeLibrary::AddIcon(Asset,string)", &result, {0, String("x")}));
    bool raised = false;
    for (const std::string& line : GSTest::LogCapture::Lines())
        raised |= line.find("null object at parameter 1") != std::string::npos;
    EXPECT_TRUE(raised) << "raised, nothing asked of the host";
    EXPECT_EQ(context->calls,
              (std::vector<std::string>{"<kuid:20:1> '' '' on", "<kuid:20:1> 't' 'u' off", "<NULL> '' '' off"}));
}

namespace {

TEST_F(LibraryObjects, GetOnlineAccessGivesTheOneOnlineAccessObjectOfTheLibrarysAsset) {
    GSOLibrary* library = MakeLibrary("");
    library->CallScriptInit();
    const uint32_t first = Call(library, "$OnlineAccess@ProbeLibrary::Online()");
    const uint32_t second = Call(library, "$OnlineAccess@ProbeLibrary::Online()");
    ASSERT_NE(first, 0u);
    EXPECT_EQ(first, second);
    auto* access = dynamic_cast<GSNatives::GSOOnlineAccess*>(GSScriptInstance::OwnerOf(first));
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->clientKUID, kLibraryAsset);
    EXPECT_EQ(access->GetContext(), context);
    GSScriptInstance::ReleaseReference(first);
    GSScriptInstance::ReleaseReference(second);
}

}  // namespace
