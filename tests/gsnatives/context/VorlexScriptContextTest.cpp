// The product script context: its library objects, its hooks' defaults, its
// teardown and the VorlexScriptBase natives run from a script.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "assetdb/worlds/WorldListItem.h"
#include "foundation/callbacks/ProgramTime.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/ScriptLocalClock.h"
#include "gsnatives/support/ProgramLogCapture.h"
#include "gsnatives/support/VorlexScriptHost.h"

namespace {

using GSNatives::GSOLibrary;
using GSNatives::ScriptableObject;
using GSNatives::VorlexScriptContext;
using GSNativesTest::VorlexScriptHost;

// A stand-in library object: a scriptable object in the context's library
// list. The context only passes GSOLibrary pointers around, so the factory
// hands this type out under that name.
class FakeLibrary : public ScriptableObject, public WorldListItem {
public:
    FakeLibrary(VorlexScriptContext* context, AssetSpec* spec) : ScriptableObject(context), m_spec(spec) {}
    SpecHandle GetSpec() const override { return SpecHandle(m_spec); }
    GSRuntime::GSClass* GetScriptClass() override;
    uint32_t GetFactoryType() const override { return 0x4C696272; }

    static GSOLibrary* Handle(FakeLibrary* library) { return reinterpret_cast<GSOLibrary*>(library); }
    static FakeLibrary* From(GSOLibrary* library) { return reinterpret_cast<FakeLibrary*>(library); }

private:
    AssetSpec* m_spec;
};

struct LibraryWorld {
    std::map<std::string, std::unique_ptr<VorlexBaseSpec>> specs;  // library assets by KUID tag
    std::map<std::string, GSRuntime::GSClass*> classes;            // their script class (none: fails)
    std::map<std::string, bool> shared;
    int created = 0;
    int initCalls = 0;
    static LibraryWorld*& Current() {
        static LibraryWorld* world = nullptr;
        return world;
    }
    static std::string Tag(const AssetSpec* spec) { return spec->GetKuid().ToTagString().c_str(); }
};

GSRuntime::GSClass* FakeLibrary::GetScriptClass() {
    return LibraryWorld::Current()->classes[LibraryWorld::Tag(m_spec)];
}

void InstallFakeLibraries(LibraryWorld& world) {
    LibraryWorld::Current() = &world;
    GSNatives::ScriptLibraryFactory factory;
    factory.findLibrarySpec = [](const KUID& kuid) {
        auto& specs = LibraryWorld::Current()->specs;
        auto it = specs.find(kuid.ToTagString().c_str());
        return it == specs.end() ? SpecHandle() : SpecHandle(it->second.get());
    };
    factory.isShared = [](AssetSpec* spec) { return LibraryWorld::Current()->shared[LibraryWorld::Tag(spec)]; };
    factory.create = [](AssetSpec* spec, VorlexScriptContext* context) -> GSOLibrary* {
        ++LibraryWorld::Current()->created;
        return FakeLibrary::Handle(new FakeLibrary(context, spec));
    };
    factory.callScriptInit = [](GSOLibrary* library) {
        ++LibraryWorld::Current()->initCalls;
        FakeLibrary* object = FakeLibrary::From(library);
        object->GetVorlexContext()->Complete(object);
    };
    factory.asScriptable = [](GSOLibrary* library) -> ScriptableObject* { return FakeLibrary::From(library); };
    factory.asListItem = [](GSOLibrary* library) -> WorldListItem* { return FakeLibrary::From(library); };
    factory.fromListItem = [](WorldListItem* item) {
        auto* library = dynamic_cast<FakeLibrary*>(item);
        return library ? FakeLibrary::Handle(library) : nullptr;
    };
    VorlexScriptContext::SetScriptLibraryFactory(factory);
}

const char* const kProbe = R"(include "Vorlex.gs"

class Probe isclass VorlexGameObject
{
	public float Seconds(void) { return Vorlex.GetSeconds(); }
	public float DayFraction(void) { return Vorlex.GetNormalizedSystemTime(); }
	public string Date(void)
	{
		return Vorlex.GetSystemYear() + "-" + Vorlex.GetSystemMonth() + "-" + Vorlex.GetSystemDate() + " " +
		       Vorlex.GetSystemHour() + ":" + Vorlex.GetSystemMinute() + ":" + Vorlex.GetSystemSecond();
	}
	public bool Open(string url) { return Vorlex.OpenURL(url); }
	public void Say(string text) { Vorlex.Log(text); }
	public string Version(void) { return Vorlex.GetVorlexVersion() + " " + Vorlex.GetVorlexBuild(); }
};
class LibraryScript isclass Library
{
};
class Caller isclass VorlexGameObject
{
	public Library Lib(KUID kuid) { return Vorlex.GetLibrary(kuid); }
	public KUID Clone(KUID kuid) { return Vorlex.CloneKUID(kuid); }
	public Soup SystemCall(string name)
	{
		Soup arguments = ConstructorsBase.NewSoup();
		arguments.SetNamedTag("station", "Northgate");
		return Vorlex.VorlexSystemCall(name, arguments);
	}
};
)";

class VorlexScriptContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start({{"probe.gs", kProbe}}));
        host.InstallAssetObjects();
        InstallFakeLibraries(world);
    }
    void TearDown() override {
        delete host.context;
        host.context = nullptr;
        VorlexScriptContext::SetScriptLibraryFactory({});
        GSNatives::SetScriptLocalClock(nullptr);
    }

    // A library asset whose object binds the class LibraryScript (or
    // none, so that its script fails).
    KUID AddLibrary(int32_t user, bool works = true, bool shared = false) {
        const KUID kuid(user, 1, 0);
        const std::string tag = kuid.ToTagString().c_str();
        world.specs[tag] = GSNativesTest::NewTestSpec(kuid);
        world.classes[tag] = works ? host.Class("probe.gsl", "LibraryScript") : nullptr;
        world.shared[tag] = shared;
        return kuid;
    }
    // A probe object, brought up, that the test owns through the context.
    GSNativesTest::TestScriptable* Probe() {
        auto* probe = new GSNativesTest::TestScriptable(host.context, spec.get(), host.Class("probe.gsl", "Probe"));
        host.context->Complete(probe);
        EXPECT_FALSE(probe->HasFailed());
        return probe;
    }

    // A caller object, brought up.
    GSNativesTest::TestScriptable* Caller() {
        auto* caller = new GSNativesTest::TestScriptable(host.context, spec.get(), host.Class("probe.gsl", "Caller"));
        host.context->Complete(caller);
        EXPECT_FALSE(caller->HasFailed());
        return caller;
    }
    // A KUID object of the context, its count handed to the callee.
    uint32_t KuidArgument(const KUID& kuid) {
        return GSNatives::GSOKUID::GetOrCreate(kuid, host.context)->GetReference();
    }
    template <class T>
    static T* Native(uint32_t reference) {
        return dynamic_cast<T*>(GSRuntime::GSScriptInstance::OwnerOf(reference));
    }

    VorlexScriptHost host;
    LibraryWorld world;
    std::unique_ptr<VorlexBaseSpec> spec = GSNativesTest::NewTestSpec(KUID(99, 1, 0));
};

TEST_F(VorlexScriptContextTest, ALibraryObjectIsMadeOnceAndFoundAgain) {
    const KUID kuid = AddLibrary(1);
    GSOLibrary* first = host.context->GetScriptLibrary(kuid);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(world.created, 1);
    EXPECT_TRUE(FakeLibrary::From(first)->HasInitFlags(GSNatives::DelayedInitClient::kAllSteps));
    EXPECT_EQ(host.context->GetScriptLibrary(kuid), first);
    EXPECT_EQ(world.created, 1);
    EXPECT_EQ(world.initCalls, 2);  // found objects have their init run again, which does nothing new
    EXPECT_EQ(host.context->GetLibraryList().GetItemCount(), 1);
}

TEST_F(VorlexScriptContextTest, WhatGetScriptLibraryRefusesIsLoggedAndNull) {
    const KUID existing = AddLibrary(1);
    ASSERT_NE(host.context->GetScriptLibrary(existing), nullptr);
    const KUID failing = AddLibrary(2, false);
    const KUID fresh = AddLibrary(3);

    GSNativesTest::ProgramLogCapture log;
    EXPECT_EQ(host.context->GetScriptLibrary(KUID()), nullptr);
    EXPECT_EQ(host.context->GetScriptLibrary(KUID(7, 7, 0)), nullptr);  // no library asset
    EXPECT_EQ(host.context->GetScriptLibrary(failing), nullptr);
    host.context->SetLibraryListLocked(true);
    EXPECT_EQ(host.context->GetScriptLibrary(fresh), nullptr);
    EXPECT_NE(host.context->GetScriptLibrary(existing), nullptr);  // made before the lock
    const std::string text = log.Text();

    EXPECT_NE(text.find("VorlexScriptContext::GetScriptLibrary> unable to find Library <kuid:7:7>"), std::string::npos)
        << text;
    EXPECT_NE(text.find("VorlexScriptContext::GetScriptLibrary> script failure on Library <kuid:2:1>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("VorlexScriptContext::GetScriptLibrary> attempted while list is locked"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("Library <kuid:-1"), std::string::npos) << text;
    EXPECT_EQ(host.context->GetLibraryList().GetItemCount(), 1);  // the failed object is gone
}

TEST_F(VorlexScriptContextTest, ScriptsGetTheSameLibraryObjectOrNull) {
    const KUID kuid = AddLibrary(1);
    auto* caller = Caller();
    uint32_t first = 0, second = 0, none = 7;
    ASSERT_TRUE(VorlexScriptHost::Call(caller, "$Library@Caller::Lib(KUID)", &first, {KuidArgument(kuid)}));
    ASSERT_TRUE(VorlexScriptHost::Call(caller, "$Library@Caller::Lib(KUID)", &second, {KuidArgument(kuid)}));
    ASSERT_TRUE(VorlexScriptHost::Call(caller, "$Library@Caller::Lib(KUID)", &none, {KuidArgument(KUID(8, 8, 0))}));
    ASSERT_NE(first, 0u);
    EXPECT_EQ(Native<FakeLibrary>(first), FakeLibrary::From(host.context->GetScriptLibrary(kuid)));
    EXPECT_EQ(Native<FakeLibrary>(second), Native<FakeLibrary>(first));
    EXPECT_EQ(none, 0u);
    EXPECT_EQ(world.created, 1);
    GSRuntime::GSScriptInstance::ReleaseReference(first);
    GSRuntime::GSScriptInstance::ReleaseReference(second);
}

TEST_F(VorlexScriptContextTest, CloneKUIDGivesTheContextsObjectOfThatKUID) {
    auto* caller = Caller();
    const uint32_t argument = KuidArgument(KUID(5, 6, 7));
    GSNatives::GSOKUID* original = Native<GSNatives::GSOKUID>(argument);
    uint32_t clone = 0;
    ASSERT_TRUE(VorlexScriptHost::Call(caller, "$KUID@Caller::Clone(KUID)", &clone, {argument}));
    EXPECT_EQ(Native<GSNatives::GSOKUID>(clone), original);
    GSRuntime::GSScriptInstance::ReleaseReference(clone);
}

TEST_F(VorlexScriptContextTest, TheDefaultSystemCallAnswersALockedEmptySoupAndLogsTheArguments) {
    auto* caller = Caller();
    GSNativesTest::ProgramLogCapture log;
    uint32_t answer = 0;
    auto* name = new GSRuntime::GSString(host.context, "weather");
    ASSERT_TRUE(VorlexScriptHost::Call(caller, "$Soup@Caller::SystemCall(string)", &answer, {name->GetReference()}));
    GSNatives::GSOSoup* soup = Native<GSNatives::GSOSoup>(answer);
    ASSERT_NE(soup, nullptr);
    EXPECT_TRUE(soup->IsLocked());
    EXPECT_TRUE(soup->GetSoup().IsEmpty());
    EXPECT_NE(log.Text().find("Northgate"), std::string::npos);
    GSRuntime::GSScriptInstance::ReleaseReference(answer);
}

class ChildContext : public VorlexScriptContext {
public:
    explicit ChildContext(VorlexScriptContext* parent) : m_parent(parent) {}
    VorlexScriptContext* GetParentContext() override { return m_parent; }

private:
    VorlexScriptContext* m_parent;
};

TEST_F(VorlexScriptContextTest, ASharedLibraryComesFromTheParentContext) {
    const KUID shared = AddLibrary(1, true, true);
    const KUID own = AddLibrary(2);
    auto* child = new ChildContext(host.context);
    GSOLibrary* fromParent = child->GetScriptLibrary(shared);
    EXPECT_EQ(fromParent, host.context->GetScriptLibrary(shared));
    EXPECT_EQ(child->GetLibraryList().GetItemCount(), 0);
    GSOLibrary* mine = child->GetScriptLibrary(own);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(FakeLibrary::From(mine)->GetVorlexContext(), child);
    delete child;
    EXPECT_EQ(world.created, 2);
}

TEST_F(VorlexScriptContextTest, TheDefaultHooksAreNeutral) {
    VorlexScriptContext& context = *host.context;
    EXPECT_TRUE(context.Query(KUID(1, 2, 3)));
    EXPECT_FALSE(context.OpenURL(Vek::PString("http://example.invalid/")));
    EXPECT_EQ(context.GetParentContext(), nullptr);

    SoupHandle arguments;
    arguments.SetString(Vek::PString("station"), "Northgate");
    SoupHandle result;
    result.SetString(Vek::PString("stale"), "x");
    GSNativesTest::ProgramLogCapture log;
    context.SystemCall(result, Vek::PString("call"), arguments);
    EXPECT_TRUE(result.IsEmpty());
    EXPECT_NE(log.Text().find("Northgate"), std::string::npos);
}

TEST(NormalizedSystemTime, MapsTheDayOntoAFractionThatWrapsAtNoon) {
    struct Case {
        uint32_t hour, minute, second;
        float expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0.5f},
        {6, 0, 0, 0.75f},
        {12, 0, 0, 1.0f},
        {12, 0, 1, 1.0f / 86400.0f},
        {18, 0, 0, 0.25f},
        {23, 59, 59, 0.5f - 1.0f / 86400.0f},
    };
    for (const Case& c : cases) {
        TTimeDate::Fields fields;
        fields.hour = c.hour;
        fields.minute = c.minute;
        fields.second = c.second;
        TTimeDate time;
        time.Set(fields);
        EXPECT_NEAR(GSNatives::NormalizedSystemTime(time), c.expected, 1e-6f)
            << c.hour << ":" << c.minute << ":" << c.second;
    }
}

TEST_F(VorlexScriptContextTest, TheTimeNativesReadTheClockInUse) {
    GSNatives::SetScriptLocalClock([] {
        TTimeDate::Fields fields;
        fields.year = 2026;
        fields.month = 12;
        fields.day = 11;
        fields.hour = 0;
        fields.minute = 7;
        fields.second = 30;
        return fields;
    });
    SetProgramTime(12.5);
    auto* probe = Probe();
    EXPECT_EQ(VorlexScriptHost::CallString(probe, "$string@Probe::Date()"), "2026-12-11 0:7:30");
    uint32_t value = 0;
    ASSERT_TRUE(VorlexScriptHost::Call(probe, "$float@Probe::DayFraction()", &value));
    float fraction;
    std::memcpy(&fraction, &value, sizeof fraction);
    EXPECT_NEAR(fraction, 0.5f + 450.0f / 86400.0f, 1e-6f);
    ASSERT_TRUE(VorlexScriptHost::Call(probe, "$float@Probe::Seconds()", &value));
    std::memcpy(&fraction, &value, sizeof fraction);
    EXPECT_EQ(fraction, 12.5f);
}

TEST_F(VorlexScriptContextTest, OpenURLLogAndVersionNatives) {
    auto* probe = Probe();
    EXPECT_EQ(VorlexScriptHost::CallString(probe, "$string@Probe::Version()"), "3.500000 47059");

    auto* url = new GSRuntime::GSString(host.context, "http://example.invalid/");
    uint32_t answer = 7;
    ASSERT_TRUE(VorlexScriptHost::Call(probe, "$bool@Probe::Open(string)", &answer, {url->GetReference()}));
    EXPECT_EQ(answer, 0u);

    host.log.Clear();
    auto* empty = new GSRuntime::GSString(host.context, "");
    EXPECT_FALSE(VorlexScriptHost::Call(probe, "$bool@Probe::Open(string)", &answer, {empty->GetReference()}));
    bool raised = false;
    for (const std::string& line : GSTest::LogCapture::Lines())
        raised |= line.find("empty string at parameter 1") != std::string::npos;
    EXPECT_TRUE(raised);

    host.log.Clear();
    auto* text = new GSRuntime::GSString(host.context, "100% on time");
    ASSERT_TRUE(VorlexScriptHost::Call(probe, "$void@Probe::Say(string)", nullptr, {text->GetReference()}));
    EXPECT_EQ(GSTest::LogCapture::Count("100% on time"), 1);
}

}  // namespace
