// The online access object under a script host with a fake clock and the
// test's own endpoint: one object per asset and context, the post counter,
// the order of its messages, which received messages it keeps, replayed
// stored messages, the offline soups and the local data natives.
#include <gtest/gtest.h>

#include <memory>

#include "gsnatives/GSOSecurityToken.h"
#include "gsnatives/online/OnlineScriptHost.h"
#include "gsnatives/support/VorlexScriptHost.h"
#include "online/TMEPacket.h"

namespace {

using GSNatives::GSOOnlineAccess;
using GSNativesTest::NativeScriptHost;

class OnlineAccessObject : public GSNativesTest::OnlineScriptTest {};

TEST_F(OnlineAccessObject, OneObjectPerAssetAndContextWhateverTheVersion) {
    GSOOnlineAccess* first = Access(KUID(7, 11, 0));
    ASSERT_NE(first, nullptr);
    GSOOnlineAccess* again = GSOOnlineAccess::FindOrCreate(KUID(7, 11, 3), host.context);
    host.Own(again);
    EXPECT_EQ(again, first) << "another version of the same library";
    GSOOnlineAccess* other = GSOOnlineAccess::FindOrCreate(KUID(7, 12, 0), host.context);
    host.Own(other);
    EXPECT_NE(other, first);
    GSOOnlineAccess* elsewhere = GSOOnlineAccess::FindOrCreate(KUID(7, 11, 0), host.NewContext());
    host.Own(elsewhere);
    EXPECT_NE(elsewhere, first) << "another context";
    EXPECT_EQ(host.Call("$int@Probe::Status()"), 0u) << "nothing announced before the first update";
    EXPECT_EQ(Tick({first}, 0.1f), std::vector<std::string>({"OnlineAccess/StatusChange"}));
    EXPECT_EQ(host.Call("$int@Probe::Status()"), 1u) << "idle until the script connects";
}

// The script compiler cannot call a method that overloads a base class's
// method name (OnlineAccess::PostMessage beside GameObject::PostMessage), so
// the posts are made here the way the native makes them once its arguments
// are fetched.
TEST_F(OnlineAccessObject, SixtyOnePostsInABurstThenOnePerSecond) {
    account.profile.clear();
    GSOOnlineAccess* access = Access(KUID(7, 11, 0));
    ASSERT_NE(access, nullptr);
    const Vek::String name("bob");
    const SoupHandle soup = SoupWith("n", 1);
    for (int i = 0; i < 61; ++i) ASSERT_EQ(access->PostScriptMessage(name, soup), 1) << "not connected, " << i;
    EXPECT_EQ(access->PostScriptMessage(name, soup), 4);
    Tick({access}, 0.5f);
    EXPECT_EQ(access->PostScriptMessage(name, soup), 4) << "half a second is not enough";
    Tick({access}, 0.5f);
    EXPECT_EQ(access->PostScriptMessage(name, soup), 1) << "one post a second later";
    EXPECT_EQ(access->PostScriptMessage(name, soup), 4);
    EXPECT_EQ(endpoint->MinuteBucket(), 0.0) << "the post counter leaves the flood buckets alone";
}

TEST_F(OnlineAccessObject, AStatusChangeIsAnnouncedBeforeTheMessageOfTheSameUpdate) {
    account.profile.clear();
    GSOOnlineAccess* access = Access(KUID(7, 11, 0));
    ASSERT_NE(access, nullptr);
    Tick({access}, 0.1f);
    host.Call("$void@Probe::Connect()");
    auto* message = new OnlineVersionedMessage();
    message->sender = KUID(7, 11, 0);
    message->name = Vek::String("carol");
    message->soup = SoupWith("speed", 40);
    message->flag = true;
    access->DeliverMessage(message);
    EXPECT_EQ(Tick({access}, 0.1f),
              std::vector<std::string>({"OnlineAccess/StatusChange", "OnlineAccess/ReceiveMessage"}));
    EXPECT_EQ(host.Call("$int@Probe::Status()"), 0u) << "no online profile";
    EXPECT_EQ(Tick({access}, 0.1f), std::vector<std::string>()) << "announced once";

    EXPECT_EQ(host.Call("$int@Probe::Collect()"), 0u);
    EXPECT_EQ(host.CallText("$string@Probe::CollectedName()"), "carol");
    EXPECT_EQ(SoupOf(host.CallRef("$Soup@Probe::Collected()")).GetInt(Vek::PString("speed"), 0), 40);
    EXPECT_EQ(host.Call("$int@Probe::Collect()"), 1u) << "nothing left, not connected";
    EXPECT_EQ(host.CallText("$string@Probe::CollectedName()"), "") << "no name collected";
}

TEST_F(OnlineAccessObject, ALocallyModifiedLibraryKeepsOnlyMessagesFromLocallyModifiedSenders) {
    static std::unique_ptr<VorlexBaseSpec> spec = GSNativesTest::NewTestSpec(KUID(9, 1, 0));
    GSNatives::LocalModificationQueries queries;
    queries.getBaseSpec = [](const KUID& kuid) {
        return kuid.GetUserID() == 9 ? SpecHandle(spec.get()) : SpecHandle();
    };
    queries.isLocallyModified = [](const KUID&) { return true; };
    GSNatives::SetLocalModificationQueries(queries);
    GSOOnlineAccess* modified = GSOOnlineAccess::FindOrCreate(KUID(9, 1, 0), host.context);
    host.Own(modified);
    GSOOnlineAccess* plain = Access(KUID(7, 11, 0));
    GSNatives::SetLocalModificationQueries({});
    ASSERT_TRUE(modified->IsLocallyModified());
    ASSERT_FALSE(plain->IsLocallyModified());

    struct Case {
        GSOOnlineAccess* client;
        bool versioned;
        bool flag;
        bool kept;
    } const cases[] = {
        {modified, true, false, false}, {modified, true, true, true}, {plain, true, false, true},
        {plain, true, true, true},      {modified, false, false, false}, {plain, false, false, false},
    };
    for (const Case& c : cases) {
        OnlineMessage* message = c.versioned ? new OnlineVersionedMessage() : new OnlineMessage();
        if (c.versioned) static_cast<OnlineVersionedMessage*>(message)->flag = c.flag;
        c.client->DeliverMessage(message);
        EXPECT_EQ(c.client->HasMessages(), c.kept) << (c.client == modified) << c.versioned << c.flag;
        Vek::String name;
        SoupHandle soup;
        c.client->CollectMessage(name, soup);
    }
}

TEST_F(OnlineAccessObject, AStoredMessageForAnotherVersionIsReplayedWhenTheScriptConnects) {
    OnlineVersionedMessage stored;
    stored.sender = KUID(7, 11, 3);
    stored.name = Vek::String("dave");
    stored.version = 1;
    stored.flag = true;
    TMEPacket packet;
    packet.WriteByte(11);
    stored.Write(packet);
    packet.Rewind();
    endpoint->HandlePacket(&packet);
    ASSERT_EQ(endpoint->StoredMessages().size(), 1u);

    account.profile.clear();
    GSOOnlineAccess* access = Access(KUID(7, 11, 0));
    ASSERT_NE(access, nullptr);
    EXPECT_FALSE(access->HasMessages());
    host.Call("$void@Probe::Connect()");
    EXPECT_TRUE(endpoint->StoredMessages().empty());
    EXPECT_EQ(Tick({access}, 0.1f).back(), "OnlineAccess/ReceiveMessage");
    EXPECT_EQ(host.Call("$int@Probe::Collect()"), 0u);
    EXPECT_EQ(host.CallText("$string@Probe::CollectedName()"), "dave");

    // Disconnecting leaves the endpoint, which resets without clients.
    host.Call("$void@Probe::Disconnect()");
    EXPECT_FALSE(endpoint->HasClients());
    EXPECT_EQ(endpoint->GetState(), OnlineAccessClientEndpoint::kIdle);
}

TEST_F(OnlineAccessObject, OfflineMessagesComeFromTheInboxAndGoToTheOutboxAsCopies) {
    GSOOnlineAccess* access = Access(KUID(7, 11, 0));
    ASSERT_NE(access, nullptr);
    SoupHandle& inbox = GSOOnlineAccess::OfflineInbox();
    SoupHandle& outbox = GSOOnlineAccess::OfflineOutbox();
    inbox.Clear();
    outbox.Clear();
    const uint32_t target = host.CallRef("$Soup@Probe::NewSoup()");
    EXPECT_EQ(host.Call("$int@Probe::CollectOffline(Soup)", {NativeScriptHost::Counted(target)}), 6u) << "no inbox";

    SoupHandle first = SoupWith("n", 1), second = SoupWith("n", 2);
    inbox.SetContainer(Vek::PString("a"), first);
    inbox.SetContainer(Vek::PString("b"), second);
    for (int expected : {1, 2}) {
        EXPECT_EQ(host.Call("$int@Probe::CollectOffline(Soup)", {NativeScriptHost::Counted(target)}), 0u);
        EXPECT_EQ(SoupOf(target).GetInt(Vek::PString("n"), 0), expected);
    }
    // The inbox is now a container without tags: nothing is collected and
    // the script's soup keeps what it holds.
    EXPECT_EQ(host.Call("$int@Probe::CollectOffline(Soup)", {NativeScriptHost::Counted(target)}), 6u);
    EXPECT_EQ(SoupOf(target).GetInt(Vek::PString("n"), 0), 2);

    const uint32_t letter = host.CallRef("$Soup@Probe::NewSoup()");
    NativeScriptHost::Native<GSNatives::GSOSoup>(letter)->SetSoup(SoupWith("page", 1));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(host.Call("$int@Probe::PostOffline(Soup)", {NativeScriptHost::Counted(letter)}), 0u);
    ASSERT_EQ(outbox.Count(), 2);
    EXPECT_STREQ(outbox.GetTagName(0).c_str(), "0");
    EXPECT_STREQ(outbox.GetTagName(1).c_str(), "1");
    SoupHandle original = SoupOf(letter);
    original.SetInt(Vek::PString("page"), 9);
    EXPECT_EQ(outbox.GetContainer(Vek::PString("0")).GetInt(Vek::PString("page"), 0), 1) << "a deep copy";
    inbox.Clear();
    outbox.Clear();
}

TEST_F(OnlineAccessObject, TheDataNativesGiveNoResultAndALockedSoupIsRefused) {
    GSOOnlineAccess* access = Access(KUID(7, 11, 0));
    ASSERT_NE(access, nullptr);
    // No daemon here: the read gives no soup, which leaves an empty one.
    const uint32_t soup = host.CallRef("$Soup@Probe::NewSoup()");
    NativeScriptHost::Native<GSNatives::GSOSoup>(soup)->SetSoup(SoupWith("old", 1));
    EXPECT_EQ(host.Call("$int@Probe::GetData(string,Soup)", {host.Text("Score"), NativeScriptHost::Counted(soup)}), 0u);
    EXPECT_EQ(SoupOf(soup).Count(), 0);
    EXPECT_EQ(host.Call("$int@Probe::SetData(string,Soup)", {host.Text("Score"), NativeScriptHost::Counted(soup)}), 0u);

    const uint32_t locked = host.Own(GSNatives::GSOSoup::Create(host.context, SoupWith("x", 1), true));
    bool ok = true;
    host.Call("$int@Probe::GetData(string,Soup)", {host.Text("Score"), NativeScriptHost::Counted(locked)}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(NativeScriptHost::Lines("OnlineAccess.GetLocalData> soup is locked"), 1);
    EXPECT_EQ(SoupOf(locked).GetInt(Vek::PString("x"), 0), 1);
}

}  // namespace
