// The soup natives run from a probe script: reading and writing tags,
// locked views and their refusals, sharing and copying, stores that would
// make a soup hold itself, the text form, and soups carried by messages.
#include <gtest/gtest.h>

#include <string>

#include "foundation/soups/SoupPrinting.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/support/NativeScriptHost.h"
#include "gsruntime/router/GSMessage.h"
#include "support/NestedSoup.h"

namespace {

using GSNatives::GSOSoup;
using GSNativesTest::NativeScriptHost;

const char* const kProbe = R"(include "Soup.gs"
include "Constructors.gs"

class Probe isclass GameObject
{
	Soup received;
	int messages;

	public Soup NewSoup(void) { return ConstructorsBase.NewSoup(); }
	public Soup Locked(Soup s) { return s.GetLockedReference(); }
	public bool IsLocked(Soup s) { return s.IsLocked(); }
	public int Count(Soup s) { return s.CountTags(); }
	public string Text(Soup s) { return s.AsString(); }
	public string Tag(Soup s, string name) { return s.GetNamedTag(name); }
	public string TagName(Soup s, int i) { return s.GetIndexedTagName(i); }
	public int IndexOf(Soup s, string name) { return s.GetIndexForNamedTag(name); }
	public int Int(Soup s, string name) { return s.GetNamedTagAsInt(name); }
	public int IntOr(Soup s, string name, int d) { return s.GetNamedTagAsInt(name, d); }
	public float Float(Soup s, string name) { return s.GetNamedTagAsFloat(name); }
	public float FloatOr(Soup s, string name, float d) { return s.GetNamedTagAsFloat(name, d); }
	public KUID Kuid(Soup s, string name) { return s.GetNamedTagAsKUID(name); }
	public Soup Sub(Soup s, string name) { return s.GetNamedSoup(name); }
	public Soup SubAdd(Soup s, string name) { return s.GetNamedSoupAdd(name); }
	public void SetInt(Soup s, string name, int v) { s.SetNamedTag(name, v); }
	public void SetText(Soup s, string name, string v) { s.SetNamedTag(name, v); }
	public void SetFloat(Soup s, string name, float v) { s.SetNamedTag(name, v); }
	public void SetKuid(Soup s, string name, KUID v) { s.SetNamedTag(name, v); }
	public void SetSoup(Soup s, string name, Soup v) { s.SetNamedSoup(name, v); }
	public void Remove(Soup s, string name) { s.RemoveNamedTag(name); }
	public void Copy(Soup s, Soup from) { s.Copy(from); }
	public void Clear(Soup s) { s.Clear(); }
	public void AddUnique(Soup s, Soup v) { s.AddUniqueNamedSoup(v); }
	public void Log(Soup s) { s.Log(); }

	public void Listen(void) { AddHandler(me, "Test", "", "OnTest"); }
	public void OnTest(Message m) { received = cast<Soup>(m.paramSoup); messages = messages + 1; }
	public Soup Received(void) { return received; }
	public int Messages(void) { return messages; }
	public thread void Send(Soup s) { SendMessage(me, "Test", "x", s); }
	public thread void Post(Soup s) { PostMessage(me, "Test", "x", s, 0.0); }
	public thread void SendObject(void) { SendMessage(me, "Test", "x", me); }
};
)";

class SoupNatives : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Start(kProbe)); }
    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
    }

    // A soup object made natively, with tags given as name/int pairs.
    uint32_t MakeSoup(bool locked, std::initializer_list<std::pair<const char*, int>> tags = {}) {
        SoupHandle soup;
        soup.EnsureContainer();
        for (const auto& tag : tags) soup.SetInt(Vek::PString(tag.first), tag.second);
        return host.Own(GSOSoup::Create(host.context, soup, locked));
    }
    uint32_t NewSoup() { return host.CallRef("$Soup@Probe::NewSoup()"); }
    static const SoupHandle& SoupOf(uint32_t reference) {
        return NativeScriptHost::Native<GSOSoup>(reference)->GetSoup();
    }
    static std::string TextOf(uint32_t reference) { return SoupAsText(SoupOf(reference)); }
    uint32_t C(uint32_t reference) { return NativeScriptHost::Counted(reference); }
    uint32_t T(const char* text) { return host.Text(text); }

    int Count(uint32_t soup) { return static_cast<int>(host.Call("$int@Probe::Count(Soup)", {C(soup)})); }
    int Int(uint32_t soup, const char* name) {
        return static_cast<int>(host.Call("$int@Probe::Int(Soup,string)", {C(soup), T(name)}));
    }
    void SetInt(uint32_t soup, const char* name, int value) {
        host.Call("$void@Probe::SetInt(Soup,string,int)", {C(soup), T(name), static_cast<uint32_t>(value)});
    }
    std::string TagName(uint32_t soup, int index) {
        return host.CallText("$string@Probe::TagName(Soup,int)", {C(soup), static_cast<uint32_t>(index)});
    }

    NativeScriptHost host;
};

TEST_F(SoupNatives, ANewSoupHasNoDataAndEveryReaderSeesItEmpty) {
    const uint32_t soup = NewSoup();
    ASSERT_NE(soup, 0u);
    EXPECT_FALSE(host.Call("$bool@Probe::IsLocked(Soup)", {C(soup)}));
    EXPECT_EQ(SoupOf(soup).Get(), nullptr);
    EXPECT_EQ(Count(soup), 0);
    EXPECT_EQ(host.CallText("$string@Probe::Tag(Soup,string)", {C(soup), T("any")}), "");
    EXPECT_EQ(host.Call("$int@Probe::IndexOf(Soup,string)", {C(soup), T("any")}), static_cast<uint32_t>(-1));
    EXPECT_EQ(host.Call("$KUID@Probe::Kuid(Soup,string)", {C(soup), T("any")}), 0u);
    EXPECT_EQ(host.CallText("$string@Probe::TagName(Soup,int)", {C(soup), 0}), "");
    EXPECT_EQ(host.CallText("$string@Probe::Text(Soup)", {C(soup)}), "");
    // The script value holds the only count besides the host's result.
    EXPECT_EQ(GSRuntime::GSScriptInstance::FromReference(soup)->count, 1);
}

TEST_F(SoupNatives, NamesAreLowerCasedAndComparedExactly) {
    const uint32_t soup = NewSoup();
    SetInt(soup, "Speed", 5);
    EXPECT_EQ(TagName(soup, 0), "speed");
    EXPECT_EQ(Int(soup, "SPEED"), 5);
    EXPECT_EQ(host.Call("$int@Probe::IndexOf(Soup,string)", {C(soup), T("sPeEd")}), 0u);
    EXPECT_EQ(TagName(soup, 1), "");
    EXPECT_EQ(TagName(soup, -1), "");

    // A tag stored with capitals by another writer is found by no name.
    SoupHandle other;
    other.SetInt(Vek::PString("Mixed"), 3);
    const uint32_t stored = host.Own(GSOSoup::Create(host.context, other, true));
    EXPECT_EQ(Int(stored, "Mixed"), 0);
    EXPECT_EQ(host.Call("$int@Probe::IndexOf(Soup,string)", {C(stored), T("Mixed")}), static_cast<uint32_t>(-1));
    EXPECT_EQ(TagName(stored, 0), "Mixed");
}

TEST_F(SoupNatives, TypedTagsReadBackWithDefaults) {
    const uint32_t soup = NewSoup();
    host.Call("$void@Probe::SetFloat(Soup,string,float)", {C(soup), T("f"), NativeScriptHost::Float(2.5f)});
    host.Call("$void@Probe::SetText(Soup,string,string)", {C(soup), T("t"), T("12")});
    host.Call("$void@Probe::SetText(Soup,string,string)", {C(soup), T("e"), 0});
    EXPECT_EQ(host.CallFloat("$float@Probe::Float(Soup,string)", {C(soup), T("f")}), 2.5f);
    EXPECT_EQ(host.CallFloat("$float@Probe::FloatOr(Soup,string,float)",
                             {C(soup), T("missing"), NativeScriptHost::Float(7.0f)}),
              7.0f);
    EXPECT_EQ(Int(soup, "t"), 12);
    EXPECT_EQ(host.Call("$int@Probe::IntOr(Soup,string,int)", {C(soup), T("missing"), 9}), 9u);
    // A null text stores a text tag without bytes: present, read as "".
    EXPECT_EQ(SoupOf(soup).GetTagKind(Vek::PString("e")), ACSKind::kText);
    EXPECT_EQ(host.CallText("$string@Probe::Tag(Soup,string)", {C(soup), T("e")}), "");
}

TEST_F(SoupNatives, KUIDTagsComeBackAsTheContextsCachedObject) {
    const uint32_t soup = NewSoup();
    GSNatives::GSOKUID* kuid = GSNatives::GSOKUID::GetOrCreate(KUID(1234, 5, 2), host.context);
    ASSERT_NE(kuid, nullptr);
    const uint32_t reference = host.Own(kuid);
    host.Call("$void@Probe::SetKuid(Soup,string,KUID)", {C(soup), T("k"), C(reference)});
    EXPECT_EQ(SoupOf(soup).GetKUID(Vek::PString("k"), KUID()), KUID(1234, 5, 2));
    EXPECT_EQ(host.CallRef("$KUID@Probe::Kuid(Soup,string)", {C(soup), T("k")}), reference);

    // A null KUID argument stores the null KUID, which reads back as null.
    host.Call("$void@Probe::SetKuid(Soup,string,KUID)", {C(soup), T("k"), 0});
    EXPECT_TRUE(SoupOf(soup).GetKUID(Vek::PString("k"), KUID(1, 1, 1)).IsNull());
    EXPECT_EQ(host.Call("$KUID@Probe::Kuid(Soup,string)", {C(soup), T("k")}), 0u);
}

TEST_F(SoupNatives, EveryMutatingNativeRefusesALockedReceiverAndLeavesTheSoupAlone) {
    const uint32_t locked = MakeSoup(true, {{"a", 1}, {"b", 2}});
    const uint32_t argument = MakeSoup(false, {{"c", 3}});
    const std::string before = TextOf(locked);
    struct Case {
        const char* signature;
        int arguments;  // 1: name; 2: name and value; 3: name and soup; 4: soup
        const char* message;
    };
    const Case cases[] = {
        {"$void@Probe::SetText(Soup,string,string)", 2, "Soup.SetNamedTag> parent soup is locked"},
        {"$void@Probe::SetFloat(Soup,string,float)", 2, "Soup.SetNamedTag> parent soup is locked"},
        {"$void@Probe::SetInt(Soup,string,int)", 2, "Soup.SetNamedTag> parent soup is locked"},
        {"$void@Probe::SetKuid(Soup,string,KUID)", 2, "Soup.SetNamedKUID> parent soup is locked"},
        {"$void@Probe::SetSoup(Soup,string,Soup)", 3, "Soup.SetNamedTag> parent soup is locked"},
        {"$void@Probe::Remove(Soup,string)", 1, "Soup.RemoveNamedTag> parent soup is locked"},
        {"$void@Probe::Copy(Soup,Soup)", 4, "Soup.Copy> parent soup is locked"},
        {"$void@Probe::Clear(Soup)", 0, "Soup.Clear> parent soup is locked"},
        {"$void@Probe::AddUnique(Soup,Soup)", 4, "Soup.AddUniqueNamedSoup> parent soup is locked"},
        {"$Soup@Probe::SubAdd(Soup,string)", 1, "Soup.GetNamedSoupAdd> parent soup is locked"},
    };
    for (const Case& c : cases) {
        GSTest::LogCapture::Clear();
        switch (c.arguments) {
            case 0: host.Call(c.signature, {C(locked)}); break;
            case 1: host.CallRef(c.signature, {C(locked), T("a")}); break;
            case 2: host.Call(c.signature, {C(locked), T("a"), 0}); break;
            case 3: host.Call(c.signature, {C(locked), T("a"), C(argument)}); break;
            default: host.Call(c.signature, {C(locked), C(argument)}); break;
        }
        EXPECT_EQ(NativeScriptHost::Lines(c.message), 1) << c.signature;
        EXPECT_EQ(TextOf(locked), before) << c.signature;
    }
}

TEST_F(SoupNatives, TheOrderOfChecksDecidesTheMessage) {
    const uint32_t locked = MakeSoup(true, {{"a", 1}});
    const uint32_t open = MakeSoup(false, {{"a", 1}});
    struct Case {
        uint32_t receiver;
        const char* signature;
        uint32_t name;  // 0: null name, 1: empty name
        uint32_t soup;
        const char* message;
    };
    const uint32_t lockedArgument = MakeSoup(true);
    const Case cases[] = {
        // The lock before the name, and before the soup argument.
        {locked, "$void@Probe::SetSoup(Soup,string,Soup)", 0, 0, "Soup.SetNamedTag> parent soup is locked"},
        // GetNamedSoupAdd reads the name first.
        {locked, "$Soup@Probe::SubAdd(Soup,string)", 1, 0, "empty string at parameter 1"},
        {open, "$void@Probe::SetSoup(Soup,string,Soup)", 0, 0, "null string at parameter 1"},
        {open, "$void@Probe::SetSoup(Soup,string,Soup)", 2, 0, "null object at parameter 2"},
        {open, "$void@Probe::SetSoup(Soup,string,Soup)", 2, lockedArgument,
         "Soup.SetNamedTag> sub-soup parameter is locked"},
        {open, "$void@Probe::AddUnique(Soup,Soup)", 3, lockedArgument,
         "Soup.AddUniqueNamedSoup> sub-soup parameter is locked"},
        {open, "$void@Probe::AddUnique(Soup,Soup)", 3, open, "Soup.AddUniqueNamedSoup> sub-soup parameter contains"},
        {open, "$void@Probe::Copy(Soup,Soup)", 3, 0, "null object at parameter 1"},
    };
    for (const Case& c : cases) {
        GSTest::LogCapture::Clear();
        const std::string before = TextOf(c.receiver);
        if (c.name == 3) {
            host.Call(c.signature, {C(c.receiver), C(c.soup)});
        } else {
            const uint32_t name = c.name == 0 ? 0 : T(c.name == 1 ? "" : "x");
            if (std::string(c.signature).find(",Soup)") != std::string::npos)
                host.Call(c.signature, {C(c.receiver), name, C(c.soup)});
            else
                host.CallRef(c.signature, {C(c.receiver), name});
        }
        EXPECT_EQ(NativeScriptHost::Lines(c.message), 1) << c.signature << " " << c.message;
        EXPECT_EQ(TextOf(c.receiver), before) << c.signature;
    }
}

TEST_F(SoupNatives, SetNamedSoupSharesAndCopyCopies) {
    const uint32_t parent = NewSoup();
    const uint32_t child = NewSoup();
    const uint32_t copy = NewSoup();
    SetInt(child, "v", 1);
    host.Call("$void@Probe::SetSoup(Soup,string,Soup)", {C(parent), T("Child"), C(child)});
    host.Call("$void@Probe::Copy(Soup,Soup)", {C(copy), C(child)});
    SetInt(child, "v", 2);
    const uint32_t shared = host.CallRef("$Soup@Probe::Sub(Soup,string)", {C(parent), T("child")});
    EXPECT_EQ(Int(shared, "v"), 2);
    EXPECT_EQ(Int(copy, "v"), 1);
    EXPECT_FALSE(host.Call("$bool@Probe::IsLocked(Soup)", {C(shared)}));

    // A sub-soup of a missing name holds no data and stays detached.
    const uint32_t detached = host.CallRef("$Soup@Probe::Sub(Soup,string)", {C(parent), T("none")});
    SetInt(detached, "x", 1);
    EXPECT_EQ(Count(parent), 1);
    // GetNamedSoupAdd attaches, replacing a tag of another kind.
    SetInt(parent, "slot", 4);
    const uint32_t added = host.CallRef("$Soup@Probe::SubAdd(Soup,string)", {C(parent), T("slot")});
    SetInt(added, "inner", 8);
    EXPECT_EQ(SoupOf(parent).GetTagKind(Vek::PString("slot")), ACSKind::kContainer);
    EXPECT_EQ(SoupOf(parent).GetContainer(Vek::PString("slot")).GetInt(Vek::PString("inner"), 0), 8);
    // An existing container is handed out, not replaced.
    const uint32_t again = host.CallRef("$Soup@Probe::SubAdd(Soup,string)", {C(parent), T("slot")});
    EXPECT_EQ(Int(again, "inner"), 8);

    // Sub-soups of a locked view are locked.
    const uint32_t view = host.CallRef("$Soup@Probe::Locked(Soup)", {C(parent)});
    const uint32_t lockedChild = host.CallRef("$Soup@Probe::Sub(Soup,string)", {C(view), T("child")});
    EXPECT_TRUE(host.Call("$bool@Probe::IsLocked(Soup)", {C(lockedChild)}));
}

TEST_F(SoupNatives, CopyOntoItselfEndsEmptyAndClearLeavesOtherHoldersAlone) {
    const uint32_t soup = MakeSoup(false, {{"a", 1}});
    host.Call("$void@Probe::Copy(Soup,Soup)", {C(soup), C(soup)});
    ASSERT_NE(SoupOf(soup).Get(), nullptr);
    EXPECT_EQ(Count(soup), 0);

    const uint32_t holder = MakeSoup(false, {{"a", 1}});
    const uint32_t view = host.CallRef("$Soup@Probe::Locked(Soup)", {C(holder)});
    host.Call("$void@Probe::Clear(Soup)", {C(holder)});
    EXPECT_EQ(SoupOf(holder).Get(), nullptr);
    EXPECT_EQ(Int(view, "a"), 1);
}

TEST_F(SoupNatives, GetLockedReferenceOfALockedSoupIsTheSoupItself) {
    const uint32_t open = NewSoup();
    const uint32_t view = host.CallRef("$Soup@Probe::Locked(Soup)", {C(open)});
    EXPECT_NE(view, open);
    EXPECT_TRUE(host.Call("$bool@Probe::IsLocked(Soup)", {C(view)}));
    EXPECT_FALSE(host.Call("$bool@Probe::IsLocked(Soup)", {C(open)}));
    // The receiver got a container of its own, which the view shares.
    ASSERT_NE(SoupOf(open).Get(), nullptr);
    EXPECT_EQ(SoupOf(view).Get(), SoupOf(open).Get());
    EXPECT_EQ(host.CallRef("$Soup@Probe::Locked(Soup)", {C(view)}), view);
}

TEST_F(SoupNatives, AddUniqueNamedSoupFillsTheFirstGap) {
    const uint32_t soup = MakeSoup(false, {{"0", 0}, {"2", 2}});
    const uint32_t child = NewSoup();
    host.Call("$void@Probe::AddUnique(Soup,Soup)", {C(soup), C(child)});
    host.Call("$void@Probe::AddUnique(Soup,Soup)", {C(soup), C(child)});
    ASSERT_EQ(Count(soup), 4);
    EXPECT_EQ(TagName(soup, 2), "1");
    EXPECT_EQ(TagName(soup, 3), "3");
    // Shared, not copied.
    SetInt(child, "v", 6);
    EXPECT_EQ(SoupOf(soup).GetContainer(Vek::PString("3")).GetInt(Vek::PString("v"), 0), 6);
}

// Each add starts its search where the last one ended, so thousands of
// adds finish; a gap made later is still the name the next add takes.
TEST_F(SoupNatives, AddUniqueNamedSoupKeepsUpWithThousandsOfTags) {
    const uint32_t soup = NewSoup();
    const int n = 5000;
    // Distinct children: a removal takes out the pair holding its chunk.
    for (int i = 0; i < n; ++i) host.Call("$void@Probe::AddUnique(Soup,Soup)", {C(soup), C(NewSoup())});
    ASSERT_EQ(Count(soup), n);
    EXPECT_EQ(TagName(soup, n - 1), std::to_string(n - 1));
    host.Call("$void@Probe::Remove(Soup,string)", {C(soup), T("1234")});
    host.Call("$void@Probe::AddUnique(Soup,Soup)", {C(soup), C(NewSoup())});
    host.Call("$void@Probe::AddUnique(Soup,Soup)", {C(soup), C(NewSoup())});
    EXPECT_EQ(TagName(soup, n - 1), "1234");
    EXPECT_EQ(TagName(soup, n), std::to_string(n));
}

// Storing a soup into itself or into its own descendant would make a cycle
// that the text writers never finish and that counting never frees.
TEST_F(SoupNatives, StoringASoupIntoItselfOrItsDescendantIsRefused) {
    const uint32_t parent = NewSoup();
    SetInt(parent, "a", 1);
    const uint32_t child = host.CallRef("$Soup@Probe::SubAdd(Soup,string)", {C(parent), T("child")});
    const uint32_t grandchild = host.CallRef("$Soup@Probe::SubAdd(Soup,string)", {C(child), T("deep")});
    // A new soup has no data yet: storing it into itself must still be seen.
    const uint32_t fresh = NewSoup();
    const std::string before = TextOf(parent);
    struct Case {
        const char* signature;
        uint32_t receiver;
        uint32_t stored;
        const char* message;
    };
    const Case cases[] = {
        {"$void@Probe::SetSoup(Soup,string,Soup)", parent, parent,
         "Soup.SetNamedTag> sub-soup parameter contains the parent soup"},
        {"$void@Probe::SetSoup(Soup,string,Soup)", grandchild, parent,
         "Soup.SetNamedTag> sub-soup parameter contains the parent soup"},
        {"$void@Probe::SetSoup(Soup,string,Soup)", grandchild, child,
         "Soup.SetNamedTag> sub-soup parameter contains the parent soup"},
        {"$void@Probe::AddUnique(Soup,Soup)", child, child,
         "Soup.AddUniqueNamedSoup> sub-soup parameter contains the parent soup"},
        {"$void@Probe::AddUnique(Soup,Soup)", grandchild, parent,
         "Soup.AddUniqueNamedSoup> sub-soup parameter contains the parent soup"},
        {"$void@Probe::SetSoup(Soup,string,Soup)", fresh, fresh,
         "Soup.SetNamedTag> sub-soup parameter contains the parent soup"},
        {"$void@Probe::AddUnique(Soup,Soup)", fresh, fresh,
         "Soup.AddUniqueNamedSoup> sub-soup parameter contains the parent soup"},
    };
    for (const Case& c : cases) {
        GSTest::LogCapture::Clear();
        if (std::string(c.signature).find("SetSoup") != std::string::npos)
            host.Call(c.signature, {C(c.receiver), T("loop"), C(c.stored)});
        else
            host.Call(c.signature, {C(c.receiver), C(c.stored)});
        EXPECT_EQ(NativeScriptHost::Lines(c.message), 1) << c.message;
        EXPECT_EQ(TextOf(parent), before);
        EXPECT_EQ(SoupOf(fresh).Get(), nullptr) << "the refused store gave the new soup no data";
    }
    // Sharing one soup under two names of one parent is no cycle.
    host.Call("$void@Probe::SetSoup(Soup,string,Soup)", {C(parent), T("again"), C(grandchild)});
    EXPECT_EQ(Count(parent), 3);
    EXPECT_NE(host.CallText("$string@Probe::Text(Soup)", {C(parent)}), "");
}

TEST_F(SoupNatives, AsStringGivesTheTextWritersBytes) {
    const uint32_t soup = NewSoup();
    SetInt(soup, "Speed", 5);
    host.Call("$void@Probe::SetText(Soup,string,string)", {C(soup), T("name"), T("a b")});
    const std::string expected = std::string("\xEF\xBB\xBF\r\n") + "speed" + std::string(35, ' ') + "5\r\n" + "name" +
                                 std::string(36, ' ') + "\"a b\"\r\n";
    EXPECT_EQ(host.CallText("$string@Probe::Text(Soup)", {C(soup)}), expected);
    EXPECT_EQ(TextOf(soup), expected);
}

// A soup nested deeper than the text reader takes back is copied like any
// other, but its text form is refused instead of built.
TEST_F(SoupNatives, DeepSoupsCopyButTheirTextIsRefusedPastTheReadersDepth) {
    auto nested = [this](int depth) {
        return host.Own(GSOSoup::Create(host.context, VorlexTest::NestedSoup(depth), false));
    };

    const uint32_t deepest = nested(100000);
    const uint32_t copy = NewSoup();
    host.Call("$void@Probe::Copy(Soup,Soup)", {C(copy), C(deepest)});
    EXPECT_EQ(VorlexTest::NestedSoupDepth(SoupOf(copy)), 100000);
    EXPECT_NE(SoupOf(copy).Get(), SoupOf(deepest).Get());

    const uint32_t readable = nested(1024);
    EXPECT_EQ(host.CallText("$string@Probe::Text(Soup)", {C(readable)}), TextOf(readable));
    EXPECT_FALSE(TextOf(readable).empty());

    for (const uint32_t soup : {nested(1025), deepest}) {
        GSTest::LogCapture::Clear();
        EXPECT_EQ(host.CallText("$string@Probe::Text(Soup)", {C(soup)}), "<null>") << "no value returned";
        EXPECT_EQ(NativeScriptHost::Lines("Soup.AsString> soup nested deeper than 1024 containers"), 1);
        host.Call("$void@Probe::Log(Soup)", {C(soup)});
        EXPECT_EQ(NativeScriptHost::Lines("Soup.Log> soup nested deeper than 1024 containers"), 1);
    }
}

TEST_F(SoupNatives, MessagesCarryALockedCopyWithoutHiddenTopLevelTags) {
    host.Call("$void@Probe::Listen()");
    SoupHandle soup;
    soup.SetInt(Vek::PString("__hidden"), 1);
    soup.SetInt(Vek::PString("__also"), 2);
    soup.SetInt(Vek::PString("_kept"), 3);
    SoupHandle inner;
    inner.SetInt(Vek::PString("__nested"), 4);
    soup.SetContainer(Vek::PString("inner"), inner);
    soup.SetInt(Vek::PString("last"), 5);
    const uint32_t argument = host.Own(GSOSoup::Create(host.context, soup, false));

    for (const char* signature : {"$void@Probe::Send(Soup)", "$void@Probe::Post(Soup)"}) {
        const uint32_t before = host.Call("$int@Probe::Messages()");
        host.Call(signature, {C(argument)});
        for (int tick = 0; tick < 3; ++tick) {
            GSRuntime::GSRouter* router = host.context->GetRouter();
            for (int32_t n = router->PostedCount(); n > 0; --n) {
                GSRuntime::GSMessage* message = router->TakePostedMessage();
                router->SendMessage(message);
                message->ReleaseReference();
            }
            host.probe->Update(0.01f);
        }
        ASSERT_EQ(host.Call("$int@Probe::Messages()"), before + 1) << signature;
        const uint32_t received = host.CallRef("$Soup@Probe::Received()");
        ASSERT_NE(received, 0u);
        const GSOSoup* object = NativeScriptHost::Native<GSOSoup>(received);
        EXPECT_TRUE(object->IsLocked());
        const SoupHandle& carried = object->GetSoup();
        ASSERT_EQ(carried.Count(), 3);
        EXPECT_EQ(carried.GetTagName(0), Vek::PString("_kept"));
        EXPECT_EQ(carried.GetTagName(1), Vek::PString("inner"));
        EXPECT_EQ(carried.GetTagName(2), Vek::PString("last"));
        EXPECT_EQ(carried.GetContainer(Vek::PString("inner")).GetInt(Vek::PString("__nested"), 0), 4);
        // A copy: the sender's soup keeps its hidden tags.
        EXPECT_NE(carried.Get(), soup.Get());
        EXPECT_EQ(soup.Count(), 5);
    }

    // An object that is no soup is still refused.
    GSTest::LogCapture::Clear();
    const uint32_t before = host.Call("$int@Probe::Messages()");
    host.Call("$void@Probe::SendObject()");
    host.probe->Update(0.01f);
    EXPECT_EQ(NativeScriptHost::Lines("incorrect parameter type at parameter 4"), 1);
    EXPECT_EQ(host.Call("$int@Probe::Messages()"), before);
}

}  // namespace
