// Hostile scripts in the product's script context: a soup whose every level
// holds the level below twice (2^d nodes behind d levels) through every
// native that walks a soup whole, and a flood of large texts stored into a
// soup. Each ends within bounded time with the natives' script exception,
// memory stays within the budget, and the context's end gives back what
// it held; ordinary soups give the results they always gave.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "gsnatives/support/DoubledSoupScript.h"
#include "gsnatives/support/VorlexScriptHost.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "support/DoubledSoup.h"

namespace {

using GSNativesTest::VorlexScriptHost;
using GSRuntime::GSScriptMemoryBudget;

const std::string kHostile = std::string(R"(include "Vorlex.gs"

class Hostile isclass VorlexGameObject
{)") + GSNativesTest::kDoubledSoupMethod + R"(
	public int Copy(int depth)
	{
		Soup duplicate = ConstructorsBase.NewSoup();
		duplicate.Copy(Doubled(depth));
		return duplicate.CountTags();
	}
	public int Text(int depth)
	{
		string text = Doubled(depth).AsString();
		return text.size();
	}
	public int LogIt(int depth) { Doubled(depth).Log(); return 1; }
	public int System(int depth) { Vorlex.VorlexSystemCall("weather", Doubled(depth)); return 1; }
	public thread void Send(int depth) { SendMessage(me, "Hostile", "x", Doubled(depth)); }
	public thread void Post(int depth) { PostMessage(me, "Hostile", "x", Doubled(depth), 0.0); }
	public int Store(int count, int doublings)
	{
		Soup soup = ConstructorsBase.NewSoup();
		string text = "x";
		int i;
		for (i = 0; i < doublings; i++) text = text + text;
		for (i = 0; i < count; i++) soup.SetNamedTag("t" + i, text);
		return soup.CountTags();
	}
};
)";

uint32_t Int(int32_t value) { return static_cast<uint32_t>(value); }

class HostileScripts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start({{"hostile.gs", kHostile}}));
        hostile = new GSNativesTest::TestScriptable(host.context, spec.get(), host.Class("hostile.gsl", "Hostile"));
        host.context->Complete(hostile);
        ASSERT_FALSE(hostile->HasFailed());
    }
    void TearDown() override {
        delete host.context;
        host.context = nullptr;
        GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
    }

    // What script values hold beside the heap's committed memory.
    static uint64_t Held() {
        return GSScriptMemoryBudget::Used() - GSRuntime::GSScriptArena::Instance().CommittedBytes();
    }
    static int Lines(const std::string& text) {
        int n = 0;
        for (const std::string& line : GSTest::LogCapture::Lines()) n += line.find(text) != std::string::npos;
        return n;
    }

    VorlexScriptHost host;
    std::unique_ptr<VorlexBaseSpec> spec = GSNativesTest::NewTestSpec(KUID(99, 1, 0));
    GSNativesTest::TestScriptable* hostile = nullptr;
};

TEST_F(HostileScripts, EveryWholeSoupWalkRefusesASoupThatDoublesAtEveryLevel) {
    struct Case {
        const char* signature;
        const char* refusal;
    };
    const Case cases[] = {
        {"$int@Hostile::Copy(int)", "Soup.Copy> soup too large to walk"},
        {"$int@Hostile::Text(int)", "Soup.AsString> soup too large to walk"},
        {"$int@Hostile::LogIt(int)", "Soup.Log> soup too large to walk"},
        {"$int@Hostile::System(int)", "VorlexScriptBase.VorlexSystemCall> soup too large to walk"},
        {"$void@Hostile::Send(int)", "GameObject.SendMessage> soup too large to walk"},
        {"$void@Hostile::Post(int)", "GameObject.PostMessage> soup too large to walk"},
    };
    const uint64_t before = Held();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature);
        host.log.Clear();
        const auto start = std::chrono::steady_clock::now();
        // 2^40 leaves behind 40 levels.
        uint32_t result = 0;
        VorlexScriptHost::Call(hostile, c.signature, &result, {Int(40)});
        // A thread function's thread runs at the object's updates.
        for (int tick = 0; tick < 3; ++tick) hostile->Update(0.01f);
        EXPECT_EQ(Lines(c.refusal), 1);
        EXPECT_EQ(result, 0u);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        EXPECT_LE(GSScriptMemoryBudget::Used(), GSScriptMemoryBudget::Limit());
    }
    delete host.context;
    host.context = nullptr;
    EXPECT_LE(Held(), before);
}

TEST_F(HostileScripts, OrdinarySoupsGiveTheirUsualResults) {
    TBuffer text;
    ASSERT_TRUE(WriteTextSoup(VorlexTest::DoubledSoup(4), text));
    uint32_t result = 0;
    ASSERT_TRUE(VorlexScriptHost::Call(hostile, "$int@Hostile::Text(int)", &result, {Int(4)}));
    EXPECT_EQ(result, static_cast<uint32_t>(text.GetDataSize()));
    ASSERT_TRUE(VorlexScriptHost::Call(hostile, "$int@Hostile::Copy(int)", &result, {Int(4)}));
    EXPECT_EQ(result, 2u);
    ASSERT_TRUE(VorlexScriptHost::Call(hostile, "$int@Hostile::Store(int,int)", &result, {Int(50), Int(10)}));
    EXPECT_EQ(result, 50u);
    EXPECT_EQ(Lines("too large to walk"), 0);
    EXPECT_EQ(Lines("script memory limit reached"), 0);
}

TEST_F(HostileScripts, TextsStoredIntoASoupAreChargedAndRefusedAtTheBudget) {
    const uint64_t before = Held();
    const uint64_t limit = GSScriptMemoryBudget::Used() + (uint64_t(16) << 20);
    GSScriptMemoryBudget::SetLimit(limit);
    host.log.Clear();
    // 3,000 texts of 1 MiB.
    uint32_t result = 0;
    VorlexScriptHost::Call(hostile, "$int@Hostile::Store(int,int)", &result, {Int(3000), Int(20)});
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(Lines("Soup.SetNamedTag> script memory limit reached"), 1);
    const std::string name = host.context->MemoryAccount()->Name();
    EXPECT_EQ(Lines("reached by " + name + ":"), 1);
    EXPECT_LE(GSScriptMemoryBudget::Used(), limit);
    delete host.context;
    host.context = nullptr;
    EXPECT_LE(Held(), before);
}

}  // namespace
