// KUID objects and their per-context cache, and KUID lists with their
// locked views, run from a probe script and directly.
#include <gtest/gtest.h>

#include <string>

#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/support/NativeScriptHost.h"

namespace {

using GSNatives::GSOKUID;
using GSNatives::GSOKUIDList;
using GSNatives::KUIDArray;
using GSNativesTest::NativeScriptHost;

const char* const kProbe = R"(include "KUIDList.gs"
include "Constructors.gs"

class Probe isclass GameObject
{
	public KUIDList NewList(void) { return ConstructorsBase.NewKUIDList(); }
	public int Count(KUIDList l) { return l.CountKUIDs(); }
	public void Add(KUIDList l, KUID k) { l.AddKUID(k); }
	public void Remove(KUIDList l, KUID k) { l.RemoveKUID(k); }
	public bool Has(KUIDList l, KUID k) { return l.HasKUID(k); }
	public KUID At(KUIDList l, int i) { return l.GetIndexedKUID(i); }
	public void Copy(KUIDList l, KUIDList from) { l.Copy(from); }
	public void Clear(KUIDList l) { l.Clear(); }
	public bool IsLocked(KUIDList l) { return l.IsLocked(); }
	public string Name(KUID k) { return k.GetName(); }
	public string Html(KUID k) { return k.GetHTMLString(); }
	public string Log(KUID k) { return k.GetLogString(); }
	public string Base(KUID k) { return k.GetBaseString(); }
	public KUID BaseKUID(KUID k) { return k.GetBaseKUID(); }
};
)";

class KUIDNatives : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Start(kProbe)); }
    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
        EXPECT_EQ(GSOKUID::CacheSize(), 0u);
    }

    uint32_t Kuid(const KUID& kuid) { return host.Own(GSOKUID::GetOrCreate(kuid, host.context)); }
    uint32_t List(std::initializer_list<KUID> kuids) {
        const uint32_t list = host.CallRef("$KUIDList@Probe::NewList()");
        for (const KUID& kuid : kuids) host.Call("$void@Probe::Add(KUIDList,KUID)", {C(list), C(Kuid(kuid))});
        return list;
    }
    uint32_t LockedList(std::initializer_list<KUID> kuids) {
        KUIDArray array;
        for (const KUID& kuid : kuids) array.Add(kuid);
        return host.Own(GSOKUIDList::CreateLocked(host.context, array));
    }
    int Count(uint32_t list) { return static_cast<int>(host.Call("$int@Probe::Count(KUIDList)", {C(list)})); }
    std::string Order(uint32_t list) {
        std::string text;
        for (const KUID& kuid : NativeScriptHost::Native<GSOKUIDList>(list)->GetList())
            text += kuid.ToTagString().c_str();
        return text;
    }
    static uint32_t C(uint32_t reference) { return NativeScriptHost::Counted(reference); }

    NativeScriptHost host;
};

TEST_F(KUIDNatives, OneObjectPerKUIDAndContextUntilItGoesOrItsContextIsPurged) {
    const KUID kuid(1234, 5, 3);
    GSOKUID* first = GSOKUID::GetOrCreate(kuid, host.context);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GSOKUID::GetOrCreate(kuid, host.context), first);
    GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromReference(first->GetReference());
    EXPECT_EQ(header->count, 2);
    // Its base form and another context are other keys.
    GSRuntime::GSContext* other = host.NewContext();
    GSOKUID* elsewhere = GSOKUID::GetOrCreate(kuid, other);
    GSOKUID* base = GSOKUID::GetOrCreate(GSOKUID::BaseOf(kuid), host.context);
    EXPECT_NE(elsewhere, first);
    EXPECT_NE(base, first);
    EXPECT_EQ(GSOKUID::CacheSize(), 3u);

    // The last count gone, the entry goes; the next request makes a new one.
    GSRuntime::GSScriptInstance::Release(header);
    GSRuntime::GSScriptInstance::Release(header);
    GSRuntime::GSScriptInstance::ReleaseReference(base->GetReference());
    EXPECT_EQ(GSOKUID::CacheSize(), 1u);
    host.Own(GSOKUID::GetOrCreate(kuid, host.context));
    EXPECT_EQ(GSOKUID::CacheSize(), 2u);

    // A purge takes only that context's entries; the script value it still
    // holds outlives the native object and goes with the context.
    const uint32_t held = elsewhere->GetReference();
    GSOKUID::PurgeContext(other);
    EXPECT_EQ(GSOKUID::CacheSize(), 1u);
    EXPECT_EQ(GSRuntime::GSScriptInstance::OwnerOf(held), nullptr);
}

TEST_F(KUIDNatives, AContextEndedWithoutAPurgeLeavesNoEntries) {
    auto* context = new GSRuntime::GSContext(true, false);
    GSOKUID::GetOrCreate(KUID(1, 2, 0), context);
    GSOKUID* held = GSOKUID::GetOrCreate(KUID(1, 3, 0), context);
    GSRuntime::GSScriptInstance::AddRef(held->GetReference());
    EXPECT_EQ(GSOKUID::CacheSize(), 2u);
    delete context;
    EXPECT_EQ(GSOKUID::CacheSize(), 0u);
}

TEST_F(KUIDNatives, IndexedKUIDsOfAListAreTheContextsCachedObjects) {
    const uint32_t list = List({KUID(7, 8, 0)});
    const uint32_t a = host.CallRef("$KUID@Probe::At(KUIDList,int)", {C(list), 0});
    const uint32_t b = host.CallRef("$KUID@Probe::At(KUIDList,int)", {C(list), 0});
    ASSERT_NE(a, 0u);
    EXPECT_EQ(a, b);
    GSOKUID* other = GSOKUID::GetOrCreate(KUID(7, 8, 0), host.NewContext());
    EXPECT_NE(other->GetReference(), a);
}

TEST_F(KUIDNatives, TextFormsAndTheBaseKUID) {
    struct Case {
        KUID kuid;
        const char* tag;
        const char* base;
        KUID baseKUID;
    };
    const Case cases[] = {
        {KUID(1234, 5, 3), "<kuid2:1234:5:3>", "<kuid:1234:5>", KUID(1234, 5, 0)},
        {KUID(1234, 5, 0), "<kuid:1234:5>", "<kuid:1234:5>", KUID(1234, 5, 0)},
        {KUID(-5, 9, 3), "<kuid2:-5:9:3>", "<kuid:-5:9>", KUID(-5, 9, 127)},
        {KUID(-5, 9, 127), "<kuid:-5:9>", "<kuid:-5:9>", KUID(-5, 9, 127)},
        {KUID(0x1FFFFFF, 1, 2), "<kuid2:33554431:1:2>", "<kuid:33554431:1>", KUID(0x1FFFFFF, 1, 0)},
        {KUID(-0x2000000, 1, 127), "<kuid:-33554432:1>", "<kuid:-33554432:1>", KUID(-0x2000000, 1, 127)},
        // A user word beyond 25 bits has no base form.
        {KUID(0x2000000, 1, 0), "<kuid:33554432:1>", "<kuid:33554432:1>", KUID()},
        {KUID(-0x2000001, 1, 127), "<kuid:-33554433:1>", "<kuid:-33554433:1>", KUID()},
        {KUID(), "<NULL>", "<NULL>", KUID()},
    };
    for (const Case& c : cases) {
        const uint32_t kuid = Kuid(c.kuid);
        EXPECT_EQ(host.CallText("$string@Probe::Html(KUID)", {C(kuid)}), c.tag);
        EXPECT_EQ(host.CallText("$string@Probe::Log(KUID)", {C(kuid)}), c.tag);
        EXPECT_EQ(host.CallText("$string@Probe::Base(KUID)", {C(kuid)}), c.base);
        const uint32_t base = host.CallRef("$KUID@Probe::BaseKUID(KUID)", {C(kuid)});
        ASSERT_NE(base, 0u) << c.tag;
        EXPECT_EQ(NativeScriptHost::Native<GSOKUID>(base)->GetKUID(), c.baseKUID) << c.tag;
    }
}

TEST_F(KUIDNatives, TheNameOfAnAssetTheDatabaseDoesNotKnowIsEmpty) {
    EXPECT_EQ(host.CallText("$string@Probe::Name(KUID)", {C(Kuid(KUID(424242, 1, 0)))}), "");
}

TEST_F(KUIDNatives, ListsKeepOrderAndHoldEachKUIDOnce) {
    const KUID a(1, 1, 0), b(1, 1, 2), c(2, 2, 0);
    const uint32_t list = List({a, b, c, a});
    EXPECT_EQ(Count(list), 3);
    EXPECT_TRUE(host.Call("$bool@Probe::Has(KUIDList,KUID)", {C(list), C(Kuid(b))}));
    host.Call("$void@Probe::Remove(KUIDList,KUID)", {C(list), C(Kuid(a))});
    EXPECT_EQ(Order(list), "<kuid2:1:1:2><kuid:2:2>");
    host.Call("$void@Probe::Remove(KUIDList,KUID)", {C(list), C(Kuid(KUID(9, 9, 0)))});
    EXPECT_EQ(Count(list), 2);
    EXPECT_FALSE(host.Call("$bool@Probe::Has(KUIDList,KUID)", {C(list), C(Kuid(a))}));

    for (int index : {-1, 2}) {
        GSTest::LogCapture::Clear();
        EXPECT_EQ(host.CallRef("$KUID@Probe::At(KUIDList,int)", {C(list), static_cast<uint32_t>(index)}), 0u);
        EXPECT_EQ(NativeScriptHost::Lines("KUIDList.GetIndexedKUID> index out of range"), 1) << index;
    }
    GSTest::LogCapture::Clear();
    host.Call("$void@Probe::Add(KUIDList,KUID)", {C(list), 0});
    EXPECT_EQ(NativeScriptHost::Lines("null object at parameter 1"), 1);

    // Copied onto itself a list ends empty.
    host.Call("$void@Probe::Copy(KUIDList,KUIDList)", {C(list), C(list)});
    EXPECT_EQ(Count(list), 0);
}

TEST_F(KUIDNatives, LockedListsRefuseEveryChangeButCanBeCopiedFrom) {
    const uint32_t locked = LockedList({KUID(1, 1, 0), KUID(2, 2, 0)});
    const uint32_t other = List({KUID(3, 3, 0)});
    EXPECT_TRUE(host.Call("$bool@Probe::IsLocked(KUIDList)", {C(locked)}));
    struct Case {
        const char* signature;
        int argument;  // 0 none, 1 a null KUID, 2 a list
        const char* message;
    };
    const Case cases[] = {
        {"$void@Probe::Add(KUIDList,KUID)", 1, "KUIDList.Copy> list is locked"},
        {"$void@Probe::Remove(KUIDList,KUID)", 1, "KUIDList.Copy> list is locked"},
        {"$void@Probe::Copy(KUIDList,KUIDList)", 2, "KUIDList.Copy> list is locked"},
        {"$void@Probe::Clear(KUIDList)", 0, "KUIDList.Clear> list is locked"},
    };
    for (const Case& c : cases) {
        GSTest::LogCapture::Clear();
        // The lock is checked before the argument: a null one is not reported.
        if (c.argument == 0)
            host.Call(c.signature, {C(locked)});
        else if (c.argument == 1)
            host.Call(c.signature, {C(locked), 0});
        else
            host.Call(c.signature, {C(locked), C(other)});
        EXPECT_EQ(NativeScriptHost::Lines(c.message), 1) << c.signature;
        EXPECT_EQ(NativeScriptHost::Lines("null object"), 0) << c.signature;
        EXPECT_EQ(Order(locked), "<kuid:1:1><kuid:2:2>") << c.signature;
    }
    host.Call("$void@Probe::Copy(KUIDList,KUIDList)", {C(other), C(locked)});
    EXPECT_EQ(Order(other), "<kuid:1:1><kuid:2:2>");
    EXPECT_FALSE(host.Call("$bool@Probe::IsLocked(KUIDList)", {C(other)}));
}

}  // namespace
