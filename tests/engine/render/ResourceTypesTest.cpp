// Resource types chosen by the longest suffix with the ".txt" text form,
// synchronous locking through Load or LoadTxt, names kept inside their
// database, and the plug-in entry hook.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/File.h"
#include "engine/PluginBase.h"
#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/ResourceSystem.h"
#include "engine/resources/PluginEntry.h"
#include "engine/resources/ResourceName.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/resources/ResourceTypeRegistry.h"
#include "support/TempDir.h"

using namespace Vek;

namespace {

// Records which loader ran with which name.
class RecordingResource : public Resource {
public:
    RecordingResource(const PString& name, ResourceDatabase* database) : Resource(name, database) {}
    int Load(const char* fileName) override {
        calls += std::string("Load ") + fileName + ";";
        return fail ? kFailed : kOk;
    }
    int LoadTxt(const char* fileName) override {
        calls += std::string("LoadTxt ") + fileName + ";";
        return fail ? kFailed : kOk;
    }
    int LoadComplete() override {
        calls += "LoadComplete;";
        return Resource::LoadComplete();
    }
    std::string calls;
    bool fail = false;
};

class OtherResource : public RecordingResource {
public:
    using RecordingResource::RecordingResource;
};

const char* kUId = "8FCC40D7-8BDD-4d14-B528-65692F5DF710";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        Hand<RecordingResource>("im", "B9E68EA1-56A3-4a6d-9D5D-C5C020F944E6");
        Hand<RecordingResource>("lm.txt", kUId);
        Hand<RecordingResource>("lm", kUId);
        Hand<OtherResource>("convert-tex.txt", "A6805E60-4C54-1278-1111-00010251467D");
        Hand<OtherResource>("txt", "A6805E60-4C54-1278-1111-000102514670");
        Hand<OtherResource>("pm.txt", "2E8739F0-412F-48c2-9F71-912B659C58B6");
        ASSERT_FALSE(dir.Path().empty());
        std::filesystem::create_directories(dir / "asset/sub");
        for (const char* name : {"asset/body.im", "asset/lod.lm", "asset/text.lm.txt", "asset/sub/Wheel.IM",
                                 "asset/only.pm.txt", "secret.im"})
            std::ofstream(dir / name) << "x";
        ASSERT_TRUE(File::Subst(PString("db1"), (dir.Path() + "/asset/").c_str(), true));
        ResourceSystem::SetCurrent(&system);
    }
    void TearDown() override {
        ResourceSystem::SetCurrent(nullptr);
        File::Subst(PString("db1"), nullptr, false);
        PluginEntry::ReleaseAll();
    }
    template <typename T>
    void Hand(const char* name, const char* uid) {
        ASSERT_TRUE(PluginEntry::Hand(new ResourceType<T>(name, uid)));
    }

    VorlexTest::TempDir dir;
    ResourceSystem system;
};

}  // namespace

TEST_F(Registry, TheLongestSuffixChoosesTheTypeAndNamesFallBackToTheirTextForm) {
    struct Case {
        const char* file;
        const char* type;  // null: none
    } cases[] = {
        {"a.im", "im"},           {"A.IM", "im"},
        {"x.lm", "lm"},           {"x.lm.txt", "lm.txt"},
        {"y.convert-tex.txt", "convert-tex.txt"},
        {"notes.txt", "txt"},     {"x.pm", "pm.txt"},  // only the text form is registered
        {"x.blm", nullptr},       {"xim", nullptr},
        {"im", nullptr},          {"", nullptr},
    };
    for (const Case& c : cases) {
        AutoReference<ResourceTypeBase> type(ResourceTypeRegistry::FindForName(c.file));
        if (!c.type) {
            EXPECT_FALSE(type) << c.file;
            continue;
        }
        ASSERT_TRUE(type) << c.file;
        EXPECT_STREQ(type->GetTypeName().c_str(), c.type) << c.file;
    }
    AutoReference<ResourceTypeBase> text(ResourceTypeRegistry::FindForName("a.lm.txt"));
    AutoReference<ResourceTypeBase> binary(ResourceTypeRegistry::FindForName("a.lm"));
    EXPECT_EQ(text->GetTypeUId(), binary->GetTypeUId());
    EXPECT_EQ(text->GetFamilyUId(), ResourceTypeBase::kFamilyUId);
    // A second type of a registered name is refused.
    EXPECT_FALSE(PluginEntry::Hand(new ResourceType<RecordingResource>("LM", "11111111-1111-1111-1111-111111111111")));
}

TEST_F(Registry, LockLoadsTheFileFoundOnce) {
    ResourceDatabase database(PString("db1"));
    struct Case {
        const char* name;
        int result;
        const char* calls;
    } cases[] = {
        {"body.im", 0, "Load body.im;LoadComplete;"},
        {"SUB/wheel.im", 0, "Load sub/wheel.im;LoadComplete;"},
        {"lod.lm", 0, "Load lod.lm;LoadComplete;"},
        {"text.lm", 0, "LoadTxt text.lm.txt;LoadComplete;"},  // only the text form exists
        {"text.lm.txt", 0, "LoadTxt text.lm.txt;LoadComplete;"},
        {"only.pm", 0, "LoadTxt only.pm.txt;LoadComplete;"},
        {"gone.im", 2, ""},
    };
    for (const Case& c : cases) {
        AutoReference<Resource> resource(database.GetResource(c.name));
        ASSERT_TRUE(resource) << c.name;
        auto* recording = dynamic_cast<RecordingResource*>(resource.Get());
        ASSERT_NE(recording, nullptr) << c.name;
        EXPECT_EQ(resource->Lock(), c.result) << c.name;
        EXPECT_EQ(recording->calls, c.calls) << c.name;
        EXPECT_EQ(resource->IsLoaded(), c.result == 0) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(resource->Lock(), 0);  // loaded once, locked twice
            EXPECT_EQ(recording->calls, c.calls) << c.name;
            EXPECT_EQ(resource->GetLockCount(), 2);
            resource->Unlock();
            EXPECT_EQ(resource->GetLockCount(), 1);
        }
    }
    // LoadAll loads without keeping a lock.
    AutoReference<Resource> fresh(database.GetResource("lod2.lm"));
    std::ofstream(dir / "asset/lod2.lm") << "x";
    EXPECT_EQ(fresh->IsAllLoaded(), 4);
    EXPECT_TRUE(fresh->LoadAll());
    EXPECT_EQ(fresh->IsAllLoaded(), 0);
    EXPECT_EQ(fresh->GetLockCount(), 0);

    // A failing loader leaves the resource unloaded and unlocked.
    AutoReference<Resource> resource(database.GetResource("body2.im"));
    std::ofstream(dir / "asset/body2.im") << "x";
    static_cast<RecordingResource*>(resource.Get())->fail = true;
    EXPECT_EQ(resource->Lock(), 1);
    EXPECT_EQ(static_cast<RecordingResource*>(resource.Get())->calls, "Load body2.im;");
    EXPECT_FALSE(resource->IsLoaded());
    EXPECT_EQ(resource->GetLockCount(), 0);
}

TEST_F(Registry, NamesStayInsideTheirDatabase) {
    ResourceDatabase database(PString("db1"));
    const char* refused[] = {"../secret.im", "sub/../../secret.im", "sub\\..\\..\\secret.im", "/etc/x.im",
                             "\\x.im",       "C:\\x.im",            "..",                    ""};
    for (const char* name : refused) {
        std::string canonical;
        EXPECT_FALSE(ResourceName::Confine(name, canonical)) << name;
        EXPECT_EQ(database.GetResource(name), nullptr) << name;
    }
    std::string canonical;
    EXPECT_TRUE(ResourceName::Confine(".\\Sub//Wheel.IM", canonical));
    EXPECT_EQ(canonical, "sub/wheel.im");

    // One resource per name, whatever its case and separators.
    AutoReference<Resource> a(database.GetResource("Sub\\Wheel.im"));
    AutoReference<Resource> b(database.GetResource("sub/WHEEL.IM"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(database.GetResource("never.im", ResourceDatabase::kLookupCached), nullptr);
    EXPECT_EQ(database.GetResource("unknown.xyz"), nullptr);

    // A resource made under a climbing name is never opened.
    AutoReference<RecordingResource> climbing(new RecordingResource(PString("../secret.im"), &database));
    EXPECT_EQ(climbing->Lock(), 2);
    EXPECT_EQ(climbing->calls, "");
}

namespace {

int g_entryCalls = 0;
void ProductEntry() {
    ++g_entryCalls;
    PluginEntry::Hand(new ResourceType<RecordingResource>("zz", "C0000000-0000-0000-0000-000000000001"));
}

}  // namespace

TEST(PluginEntryHook, StartUpCallsTheProductsEntry) {
    PluginEntry::Set(nullptr);
    EXPECT_FALSE(PluginEntry::Call());
    PluginEntry::Set(&ProductEntry);
    std::size_t before = PluginBase::CountPluginTypes();
    EXPECT_TRUE(PluginEntry::Call());
    EXPECT_EQ(g_entryCalls, 1);
    EXPECT_EQ(PluginBase::CountPluginTypes(), before + 1);
    AutoReference<ResourceTypeBase> type(ResourceTypeRegistry::FindForName("a.zz"));
    EXPECT_TRUE(type);
    type.Release();
    PluginEntry::ReleaseAll();
    EXPECT_EQ(PluginBase::CountPluginTypes(), before);
    EXPECT_FALSE(AutoReference<ResourceTypeBase>(ResourceTypeRegistry::FindForName("a.zz")));
    EXPECT_FALSE(PluginEntry::Hand(nullptr));
    PluginEntry::Set(nullptr);
}
