// Hostile scripts against the online objects: a soup whose every level
// holds the level below twice through the natives that write a soup whole
// (offline and online posts, local data), a flood of offline messages, and
// an access object whose script never collects what it receives. Each ends
// with the natives' script exception or a logged drop of the oldest
// messages; the outbox and the received list stay within their bounds, and
// the outbox's copies are charged to the posting context until it ends.
#include <gtest/gtest.h>

#include <string>

#include "foundation/soups/SoupMemoryCharge.h"
#include "foundation/streams/BufferStream.h"
#include "gsnatives/OfflineOutboxBounds.h"
#include "gsnatives/ReceivedMessageList.h"
#include "gsnatives/online/OnlineScriptHost.h"
#include "gsnatives/support/DoubledSoupScript.h"
#include "gsnatives/support/ProgramLogCapture.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"

namespace {

using GSNatives::GSOOnlineAccess;
using GSNatives::OfflineOutboxBounds;
using GSNativesTest::NativeScriptHost;
using GSRuntime::GSScriptMemoryBudget;

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

class OnlineFloods : public GSNativesTest::OnlineScriptTest {
protected:
    std::string ProbeSource() const override {
        return std::string(R"(include "OnlineAccess.gs"
include "Constructors.gs"

class Probe isclass GameObject
{
	OnlineAccess access;
	string collectedName;

	public void Use(OnlineAccess a) { access = a; })") +
               GSNativesTest::kDoubledSoupMethod + R"(
	public int PostOffline(int depth) { return access.PostOfflineMessage(Doubled(depth)); }
	public int SetData(int depth) { return access.SetLocalData("key", Doubled(depth)); }
	public int Post(int depth) { return access.PostMessage("m", Doubled(depth)); }
	public int GroupPost(int depth) { return access.CreateGroup(0).PostMessage(Doubled(depth)); }
	public int Letters(int count, int doublings)
	{
		Soup letter = ConstructorsBase.NewSoup();
		string text = "x";
		int i;
		for (i = 0; i < doublings; i++) text = text + text;
		letter.SetNamedTag("text", text);
		for (i = 0; i < count; i++) {
			letter.SetNamedTag("n", i);
			access.PostOfflineMessage(letter);
		}
		return count;
	}
	public int Collect(void)
	{
		string name = "unset";
		Soup collected = ConstructorsBase.NewSoup();
		int result = access.CollectMessage(name, collected);
		collectedName = name;
		return result;
	}
	public string CollectedName(void) { return collectedName; }
};
)";
    }
    void SetUp() override {
        OnlineScriptTest::SetUp();
        access = Access(KUID(7, 11, 0));
        ASSERT_NE(access, nullptr);
        GSOOnlineAccess::OfflineOutbox().Clear();
    }
    void TearDown() override {
        GSOOnlineAccess::OfflineOutbox().Clear();
        OnlineScriptTest::TearDown();
    }
    static uint64_t Held() {
        return GSScriptMemoryBudget::Used() - GSRuntime::GSScriptArena::Instance().CommittedBytes();
    }

    GSOOnlineAccess* access = nullptr;
};

TEST_F(OnlineFloods, EveryNativeThatWritesASoupWholeRefusesASoupThatDoublesAtEveryLevel) {
    struct Case {
        const char* signature;
        const char* refusal;
    };
    const Case cases[] = {
        {"$int@Probe::PostOffline(int)", "OnlineAccess.PostOfflineMessage> soup too large to walk"},
        {"$int@Probe::SetData(int)", "OnlineAccess.SetLocalData> soup too large to walk"},
        {"$int@Probe::Post(int)", "OnlineAccess.PostMessage> soup too large to walk"},
        {"$int@Probe::GroupPost(int)", "OnlineGroup.PostMessage> soup too large to walk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature);
        host.log.Clear();
        host.Call(c.signature, {40});
        EXPECT_EQ(NativeScriptHost::Lines(c.refusal), 1);
    }
    EXPECT_TRUE(GSOOnlineAccess::OfflineOutbox().IsEmpty());
    // An ordinary soup still goes out.
    EXPECT_EQ(host.Call("$int@Probe::PostOffline(int)", {3}), 0u);
    EXPECT_EQ(GSOOnlineAccess::OfflineOutbox().Count(), 1);
}

TEST_F(OnlineFloods, TheOfflineOutboxKeepsTheNewestWithinItsBoundsAndTheContextsShareGoesWithIt) {
    struct Case {
        int letters;
        int doublings;  // the text of each letter: 2^doublings bytes
    };
    // Past the count bound, then past the byte bound.
    for (const Case c : {Case{3000, 4}, Case{600, 13}}) {
        SCOPED_TRACE(c.letters);
        SoupHandle& outbox = GSOOnlineAccess::OfflineOutbox();
        outbox.Clear();
        GSNativesTest::ProgramLogCapture programLog;
        ASSERT_EQ(host.Call("$int@Probe::Letters(int,int)", {static_cast<uint32_t>(c.letters),
                                                               static_cast<uint32_t>(c.doublings)}),
                  static_cast<uint32_t>(c.letters));
        const int kept = outbox.Count();
        EXPECT_LE(static_cast<std::size_t>(kept), OfflineOutboxBounds::kMaxMessages);
        EXPECT_LE(OfflineOutboxBounds::Bytes(outbox), OfflineOutboxBounds::kMaxBytes);
        EXPECT_GT(kept, 0);
        // The oldest were dropped, one line each.
        EXPECT_EQ(outbox.GetContainerAt(0).GetInt("n", -1), c.letters - kept);
        EXPECT_EQ(outbox.GetContainerAt(kept - 1).GetInt("n", -1), c.letters - 1);
        EXPECT_EQ(Count(programLog.Text(), "offline outbox full: dropping the oldest message"), c.letters - kept);
    }
    // The copies the outbox keeps (their nodes: value bytes are shared with
    // the letter) were charged to the context; its end gives them back
    // though the outbox keeps them.
    const uint64_t share = host.context->MemoryAccount()->Used();
    EXPECT_GT(share, static_cast<uint64_t>(GSOOnlineAccess::OfflineOutbox().Count()) * 3 * kSoupPairCharge);
    const uint64_t before = Held();
    host.EndContext();
    EXPECT_LE(Held() + share, before);
    EXPECT_GT(GSOOnlineAccess::OfflineOutbox().Count(), 0);
}

TEST_F(OnlineFloods, MessagesAScriptNeverCollectsAreBoundedOldestDroppedFirst) {
    struct Case {
        int messages;
        std::size_t textBytes;
    };
    // Past the count bound, then past the byte bound.
    for (const Case c : {Case{3000, 16}, Case{200, 100000}}) {
        SCOPED_TRACE(c.messages);
        GSNativesTest::ProgramLogCapture programLog;
        std::size_t recordBytes = 0;
        for (int i = 0; i < c.messages; ++i) {
            auto* message = new OnlineVersionedMessage();
            message->sender = KUID(7, 11, 0);
            message->name = ("m" + std::to_string(i)).c_str();
            message->soup.SetString("text", std::string(c.textBytes, 'y').c_str());
            message->version = 1;
            message->flag = true;
            TBuffer form;
            message->Write(form);
            recordBytes = static_cast<std::size_t>(form.GetDataSize());
            access->DeliverMessage(message);
        }
        using List = GSNatives::ReceivedMessageList<OnlineVersionedMessage>;
        const std::size_t kept = std::min(List::kMaxMessages, List::kMaxBytes / recordBytes);
        EXPECT_EQ(Count(programLog.Text(), "received messages not collected: dropping the oldest"),
                  c.messages - static_cast<int>(kept));
        for (std::size_t k = 0; k < kept; ++k) {
            ASSERT_EQ(host.Call("$int@Probe::Collect()"), 0u);
            EXPECT_EQ(host.CallText("$string@Probe::CollectedName()"),
                      "m" + std::to_string(c.messages - static_cast<int>(kept) + static_cast<int>(k)));
        }
        EXPECT_NE(host.Call("$int@Probe::Collect()"), 0u);
    }
}

}  // namespace
