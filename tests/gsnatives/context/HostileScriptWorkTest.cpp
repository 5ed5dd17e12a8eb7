// Hostile scripts run in the product's script context: natives and
// instructions whose work grows with what the script hands them end the
// run with the execution budget's ER_Timeout instead of running for days;
// the delayed-message queue takes 200,000 posts of one run, and a KUID list
// takes 50,000 distinct KUIDs, in time linear in their number.
#include <gtest/gtest.h>

#include <string>

#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/GSOStringTable.h"
#include "gsnatives/support/VorlexScriptHost.h"
#include "gsruntime/router/GSRouter.h"

namespace {

using GSNativesTest::VorlexScriptHost;

const char* const kProbe = R"(include "Vorlex.gs"
include "LinkedList.gs"
include "Constructors.gs"
include "StringTable.gs"
include "Str.gs"
include "Image.gs"

class Probe isclass VorlexGameObject
{
	LinkedData[] list;
	string text;
	KUIDList kuids;

	public int Ordinary(void)
	{
		int sum = 0;
		int i;
		for (i = 0; i < 1000; ++i) sum = sum + i;
		return sum;
	}

	// Each loop below runs until the budget ends it.
	public void Texts(StringTable table)
	{
		table.SetParam(0, "0123456789abcdef0123456789abcdef");
		string s;
		while (true) s = table.GetString("flood");
	}
	public void MakeList(int n)
	{
		list = new LinkedData[0];
		int i;
		for (i = 0; i < n; ++i)
		{
			LinkedData item = new LinkedData();
			item.key = "k" + (i % 97);
			LinkedList.AddInternal(list, item, false);
		}
	}
	public void Sorts(void) { while (true) LinkedList.SortInternal(list); }
	public void MakeText(void)
	{
		text = "ab ";
		int i;
		for (i = 0; i < 16; ++i) text = text + text;
	}
	public void Finds(void) { int at; while (true) at = Str.Find(text, "x", 0); }
	public void Tokens(void) { string[] tokens; while (true) tokens = Str.Tokens(text, " "); }
	public void Copies(void) { string s; while (true) s = text[1, text.size()]; }
	public void Arrays(void) { int[] a; while (true) a = new int[16777216]; }
	public void Grows(void) { int[] a; while (true) { a = new int[0]; a[16777215] = 1; } }
	public void Pictures(void)
	{
		Image image = ConstructorsBase.NewImage();
		while (true) image.Clear(4096, 4096);
	}
	public void Post(int n)
	{
		int i;
		for (i = 0; i < n; ++i) PostMessage(me, "Later", "x", 100.0 + i);
	}
	public void Clears(void) { while (true) ClearMessages("Never", "x"); }

	public int AddKUIDs(int n, int again)
	{
		Soup soup = ConstructorsBase.NewSoup();
		kuids = ConstructorsBase.NewKUIDList();
		int i;
		for (i = 0; i < n + again; ++i)
		{
			int k = i % n;
			soup.SetNamedTag("k", "<kuid:" + k + ":" + (k * 7) + ">");
			kuids.AddKUID(soup.GetNamedTagAsKUID("k"));
		}
		return kuids.CountKUIDs();
	}
	public int Check(int n)
	{
		Soup soup = ConstructorsBase.NewSoup();
		int found = 0;
		int i;
		for (i = 0; i < n; i = i + 5)
		{
			soup.SetNamedTag("k", "<kuid:" + i + ":" + (i * 7) + ">");
			if (kuids.HasKUID(soup.GetNamedTagAsKUID("k"))) found = found + 1;
			soup.SetNamedTag("k", "<kuid:" + i + ":" + (i * 7 + 1) + ">");
			if (kuids.HasKUID(soup.GetNamedTagAsKUID("k"))) found = found + 1000000;
		}
		return found;
	}
	public string Remove(int i)
	{
		Soup soup = ConstructorsBase.NewSoup();
		soup.SetNamedTag("k", "<kuid:" + i + ":" + (i * 7) + ">");
		kuids.RemoveKUID(soup.GetNamedTagAsKUID("k"));
		return kuids.CountKUIDs() + " " + kuids.GetIndexedKUID(i).GetLogString() + " " +
		       kuids.GetIndexedKUID(0).GetLogString();
	}
	public KUIDList List(void) { return kuids; }
};
)";

class HostileScriptWork : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start({{"probe.gs", kProbe}}));
        host.InstallAssetObjects();
        probe = new GSNativesTest::TestScriptable(host.context, spec.get(), host.Class("probe.gsl", "Probe"));
        host.context->Complete(probe);
        ASSERT_FALSE(probe->HasFailed());
    }
    void TearDown() override {
        delete host.context;
        host.context = nullptr;
    }

    bool Call(const char* signature, std::initializer_list<uint32_t> arguments = {}, uint32_t* result = nullptr) {
        return VorlexScriptHost::Call(probe, signature, result, arguments);
    }
    static int Lines(const std::string& text) {
        int n = 0;
        for (const std::string& line : GSTest::LogCapture::Lines()) n += line.find(text) != std::string::npos;
        return n;
    }
    static uint32_t Int(int32_t value) { return static_cast<uint32_t>(value); }

    VorlexScriptHost host;
    std::unique_ptr<VorlexBaseSpec> spec = GSNativesTest::NewTestSpec(KUID(99, 1, 0));
    GSNativesTest::TestScriptable* probe = nullptr;
};

// Each loop calls a native, or runs an instruction, whose work grows with
// its input: the run ends with ER_Timeout, and the machine goes on with
// ordinary work that gives the result it always gave.
TEST_F(HostileScriptWork, ExpensiveWorkInALoopEndsWithTheBudget) {
    SoupHandle config;
    SoupHandle strings;
    std::string flood;
    for (int i = 0; i < (1 << 19); ++i) flood += "$0";
    strings.SetString(Vek::PString("flood"), flood.c_str());
    config.SetContainer(Vek::PString("string-table"), strings);
    // With parameter 0 of 32 bytes (set by the script) the flood gives
    // 16 MiB.
    GSNatives::GSOStringTable* table = GSNatives::GSOStringTable::Create(host.context, SpecHandle(), config);
    ASSERT_NE(table, nullptr);

    struct Case {
        const char* name;
        const char* prepare;  // a method run first (with argument 20000 when it takes one), or null
        const char* loop;
        bool takesTable;
    };
    const Case cases[] = {
        {"string table texts of 16 MiB", nullptr, "$void@Probe::Texts(StringTable)", true},
        {"sorts of 20,000 entries", "$void@Probe::MakeList(int)", "$void@Probe::Sorts()", false},
        {"searches of a 192 KiB text", "$void@Probe::MakeText()", "$void@Probe::Finds()", false},
        {"tokens of a 192 KiB text", "$void@Probe::MakeText()", "$void@Probe::Tokens()", false},
        {"slices of a 192 KiB text", "$void@Probe::MakeText()", "$void@Probe::Copies()", false},
        {"arrays of 2^24 elements", nullptr, "$void@Probe::Arrays()", false},
        {"arrays grown to 2^24 elements", nullptr, "$void@Probe::Grows()", false},
        {"pictures of 4096 x 4096", nullptr, "$void@Probe::Pictures()", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.prepare) {
            const bool takesInt = std::string(c.prepare).find("(int)") != std::string::npos;
            ASSERT_TRUE(takesInt ? Call(c.prepare, {Int(20000)}) : Call(c.prepare));
        }
        const int before = Lines("ER_Timeout");
        uint32_t tableArgument = 0;
        if (c.takesTable) {
            tableArgument = table->GetReference();
            GSRuntime::GSScriptInstance::AddRef(tableArgument);
        }
        EXPECT_FALSE(c.takesTable ? Call(c.loop, {tableArgument}) : Call(c.loop));
        EXPECT_EQ(Lines("ER_Timeout"), before + 1);
        uint32_t sum = 0;
        ASSERT_TRUE(Call("$int@Probe::Ordinary()", {}, &sum));
        EXPECT_EQ(sum, 499500u);
    }
    GSRuntime::GSScriptInstance::ReleaseReference(table->GetReference());
}

// 200,000 delayed posts fit one run and queue in due-time order; a loop
// of clears that walk them all ends with the budget; the queue still
// gives its messages in order.
TEST_F(HostileScriptWork, TwoHundredThousandDelayedPostsInOneRun) {
    GSRuntime::GSRouter* router = host.context->GetRouter();
    ASSERT_NE(router, nullptr);
    const int32_t before = router->DelayedCount();
    ASSERT_TRUE(Call("$void@Probe::Post(int)", {Int(200000)}));
    ASSERT_EQ(router->DelayedCount() - before, 200000);

    const int timeouts = Lines("ER_Timeout");
    EXPECT_FALSE(Call("$void@Probe::Clears()"));
    EXPECT_EQ(Lines("ER_Timeout"), timeouts + 1);
    EXPECT_EQ(router->DelayedCount() - before, 200000);

    // Due in order: the first two posts (100 s and 101 s after the clock).
    router->SetClock(router->Clock() + 101000);
    uint32_t last = 0;
    int due = 0;
    while (GSRuntime::GSMessage* message = router->TakeDueMessage()) {
        EXPECT_LE(last, message->DueTime());
        last = message->DueTime();
        message->ReleaseReference();
        ++due;
    }
    EXPECT_GE(due, 2);
    EXPECT_EQ(router->DelayedCount() - before, 200000 - due);
}

// 50,000 distinct KUIDs go into a list in time linear in their number; the
// list keeps them once each, in order, and answers as a plain list does.
TEST_F(HostileScriptWork, FiftyThousandKUIDsInAList) {
    uint32_t count = 0;
    ASSERT_TRUE(Call("$int@Probe::AddKUIDs(int,int)", {Int(50000), Int(1000)}, &count));
    EXPECT_EQ(count, 50000u);
    uint32_t found = 0;
    ASSERT_TRUE(Call("$int@Probe::Check(int)", {Int(50000)}, &found));
    EXPECT_EQ(found, 10000u);

    uint32_t list = 0;
    ASSERT_TRUE(Call("$KUIDList@Probe::List()", {}, &list));
    auto* native = dynamic_cast<GSNatives::GSOKUIDList*>(GSRuntime::GSScriptInstance::OwnerOf(list));
    ASSERT_NE(native, nullptr);
    int32_t i = 0;
    bool ordered = true;
    for (const KUID& kuid : native->GetList()) ordered = ordered && kuid == KUID(i, i * 7, 0), ++i;
    EXPECT_TRUE(ordered);
    EXPECT_EQ(i, 50000);
    GSRuntime::GSScriptInstance::ReleaseReference(list);

    // A removal keeps the order of the rest, and the list is read by
    // index after it as before.
    uint32_t text = 0;
    ASSERT_TRUE(Call("$string@Probe::Remove(int)", {Int(20000)}, &text));
    const GSRuntime::GSString* removed = GSRuntime::GSString::FromReference(text);
    ASSERT_NE(removed, nullptr);
    EXPECT_STREQ(removed->c_str(), "49999 <kuid:20001:140007> <kuid:0:0>");
    GSRuntime::GSScriptInstance::ReleaseReference(text);
    ASSERT_TRUE(Call("$int@Probe::Check(int)", {Int(50000)}, &found));
    EXPECT_EQ(found, 9999u);
}

}  // namespace
