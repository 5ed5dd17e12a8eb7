// The online group object: its member list updates with the messages they
// post, and its life from a script's CreateGroup or OpenGroup through the
// server's packets (handed to the endpoint as they arrive) to its close.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "foundation/streams/BufferStream.h"
#include "gsnatives/online/OnlineScriptHost.h"
#include "online/TMEPacket.h"

namespace {

using GSNatives::GSOOnlineAccess;
using GSNatives::GSOOnlineGroup;
using GSNativesTest::NativeScriptHost;

struct Entry {
    const char* name;
    uint8_t status;
    int32_t flags;
};

// The member list form: uint16 count, then name, status and flags per entry.
void WriteMembers(TStream& out, const std::vector<Entry>& entries, int count = -1) {
    const uint16_t n = static_cast<uint16_t>(count < 0 ? entries.size() : count);
    out.WriteByte(static_cast<uint8_t>(n & 0xFF));
    out.WriteByte(static_cast<uint8_t>(n >> 8));
    for (const Entry& e : entries) {
        out.WritePString(Vek::PString(e.name));
        out.WriteByte(e.status);
        out.WriteInt32(e.flags);
    }
}

std::string MembersText(const GSOOnlineGroup& group) {
    std::string text;
    for (const auto& m : group.Members())
        text += std::string(text.empty() ? "" : ",") + m.name.c_str() + ":" + std::to_string(m.status) + ":" +
                std::to_string(m.modeFlags);
    return text;
}

class OnlineGroupObject : public GSNativesTest::OnlineScriptTest {
protected:
    void SetUp() override {
        OnlineScriptTest::SetUp();
        access = Access(KUID(7, 11, 0));
        ASSERT_NE(access, nullptr);
    }
    // Hands the endpoint a packet from the server.
    void FromServer(uint8_t type, const std::function<void(TStream&)>& body) {
        TMEPacket packet;
        packet.WriteByte(type);
        body(packet);
        packet.Rewind();
        endpoint->HandlePacket(&packet);
    }
    uint32_t Group(uint32_t reference) const { return NativeScriptHost::Counted(reference); }

    GSOOnlineAccess* access = nullptr;
};

TEST_F(OnlineGroupObject, MemberUpdatesChangeTheListAndPostWhatChanged) {
    struct Case {
        const char* what;
        std::vector<Entry> before;
        bool reset;
        std::vector<Entry> update;
        int count;        // the count written; -1: the entries'
        int cutBytes;     // bytes taken off the end
        const char* after;
        std::vector<std::string> posted;
    } const cases[] = {
        {"a new member", {}, false, {{"ann", 1, 0}}, -1, 0, "ann:1:0",
         {"OnlineGroup.UserAdded/ann", "OnlineGroup/UsersChange"}},
        {"a new status", {{"ann", 1, 0}}, false, {{"ann", 2, 0}}, -1, 0, "ann:2:0",
         {"OnlineGroup.UserStatus/ann", "OnlineGroup/UsersChange"}},
        {"only the mode flags", {{"ann", 1, 0}}, false, {{"ANN", 1, 8}}, -1, 0, "ann:1:8",
         {"OnlineGroup.UserStatus/ANN", "OnlineGroup/UsersChange"}},
        {"nothing new", {{"ann", 1, 0}}, false, {{"ann", 1, 0}}, -1, 0, "ann:1:0", {}},
        {"removing a stranger", {{"ann", 1, 0}}, false, {{"bob", 255, 0}}, -1, 0, "ann:1:0", {}},
        {"removing a member in other letters", {{"ann", 1, 0}, {"bob", 1, 0}, {"cy", 1, 0}}, false,
         {{"BOB", 255, 0}}, -1, 0, "ann:1:0,cy:1:0", {"OnlineGroup.UserRemoved/BOB", "OnlineGroup/UsersChange"}},
        {"a reset to an empty list", {{"ann", 1, 0}}, true, {}, -1, 0, "", {"OnlineGroup/UsersChange"}},
        {"a reset of an empty list to an empty list", {}, true, {}, -1, 0, "", {}},
        {"a count beyond the entries", {}, false, {{"ann", 1, 0}}, 40, 0, "ann:1:0",
         {"OnlineGroup.UserAdded/ann", "OnlineGroup/UsersChange"}},
        {"an entry cut short", {}, false, {{"ann", 1, 0}, {"bob", 1, 0}}, -1, 2, "ann:1:0",
         {"OnlineGroup.UserAdded/ann", "OnlineGroup/UsersChange"}},
    };
    for (const Case& c : cases) {
        GSOOnlineGroup* group = GSOOnlineGroup::Create(access, Vek::PString("g"), 1);
        ASSERT_NE(group, nullptr);
        host.Own(group);
        TBuffer before;
        WriteMembers(before, c.before);
        before.Rewind();
        group->UpdateMembers(true, before);
        TakePosted();
        TBuffer whole;
        WriteMembers(whole, c.update, c.count);
        TBuffer update;
        update.Write(whole.GetData(), static_cast<int32_t>(whole.GetDataSize()) - c.cutBytes);
        update.Rewind();
        group->UpdateMembers(c.reset, update);
        EXPECT_EQ(MembersText(*group), c.after) << c.what;
        EXPECT_EQ(TakePosted(), c.posted) << c.what;
    }
}

TEST_F(OnlineGroupObject, ACreatedGroupJoinsByItsRequestIdAndClosesWhenTheServerSaysSo) {
    const uint32_t group = host.CallRef("$OnlineGroup@Probe::Create(int)", {5});
    ASSERT_NE(group, 0u);
    GSOOnlineGroup* native = NativeScriptHost::Native<GSOOnlineGroup>(group);
    EXPECT_EQ(host.Call("$int@Probe::GroupStatus(OnlineGroup)", {Group(group)}), 1u) << "joining";
    EXPECT_EQ(native->GetPendingRequest(), 1) << "the first request id";
    EXPECT_EQ(host.CallText("$string@Probe::Cookie(OnlineGroup)", {Group(group)}), "<null>");

    FromServer(29, [](TStream& out) {
        out.WriteInt32(2);
        out.WritePString(Vek::PString("other"));
        WriteMembers(out, {});
    });
    EXPECT_EQ(native->GetStatus(), 1) << "another request's answer";
    FromServer(29, [](TStream& out) {
        out.WriteInt32(1);
        out.WritePString(Vek::PString("g-1"));
        WriteMembers(out, {{"alice", 1, 0}, {"bob", 2, 4}});
    });
    EXPECT_EQ(TakePosted(), std::vector<std::string>({"OnlineGroup/StatusChange", "OnlineGroup.UserAdded/alice",
                                                      "OnlineGroup.UserAdded/bob", "OnlineGroup/UsersChange"}));
    EXPECT_EQ(host.Call("$int@Probe::GroupStatus(OnlineGroup)", {Group(group)}), 2u);
    EXPECT_EQ(host.CallText("$string@Probe::Cookie(OnlineGroup)", {Group(group)}), "g-1");
    EXPECT_EQ(host.Call("$int@Probe::CountUsers(OnlineGroup)", {Group(group)}), 2u);
    EXPECT_EQ(host.CallText("$string@Probe::User(OnlineGroup,int)", {Group(group), 1}), "bob");
    EXPECT_EQ(host.CallText("$string@Probe::User(OnlineGroup,int)", {Group(group), uint32_t(-1)}), "<null>");
    EXPECT_EQ(host.Call("$int@Probe::FindUser(OnlineGroup,string)", {Group(group), host.Text("ALICE")}), 0u);
    EXPECT_EQ(host.Call("$int@Probe::FindUser(OnlineGroup,string)", {Group(group), host.Text("zed")}), uint32_t(-1));
    EXPECT_EQ(host.Call("$int@Probe::UserStatus(OnlineGroup,int)", {Group(group), 1}), 2u);
    EXPECT_EQ(host.Call("$int@Probe::UserStatus(OnlineGroup,int)", {Group(group), 7}), 0u);
    EXPECT_EQ(host.Call("$int@Probe::UserFlags(OnlineGroup,string)", {Group(group), host.Text("Bob")}), 4u);
    EXPECT_EQ(host.Call("$int@Probe::UserFlags(OnlineGroup,string)", {Group(group), host.Text("zed")}), 0u);

    // Local changes apply at once.
    host.Call("$void@Probe::AddUser(OnlineGroup,string)", {Group(group), host.Text("Carol")});
    host.Call("$void@Probe::AddUser(OnlineGroup,string)", {Group(group), host.Text("carol")});
    EXPECT_EQ(MembersText(*native), "alice:1:0,bob:2:4,Carol:0:0");
    host.Call("$void@Probe::RemoveUser(OnlineGroup,string)", {Group(group), host.Text("BOB")});
    EXPECT_EQ(MembersText(*native), "alice:1:0,Carol:0:0");

    // A group message, announced by the group's next update.
    FromServer(24, [](TStream& out) {
        OnlineGroupMessage message;
        message.sender = KUID(7, 11, 0);
        message.userName = Vek::String("alice");
        message.cookie = Vek::PString("g-1");
        message.Write(out);
    });
    EXPECT_TRUE(native->HasMessages());
    EXPECT_EQ(Tick({native}, 0.1f), std::vector<std::string>({"OnlineGroup/ReceiveMessage"}));
    EXPECT_EQ(host.Call("$int@Probe::GroupCollect(OnlineGroup)", {Group(group)}), 1u) << "not connected";

    FromServer(22, [](TStream& out) { out.WritePString(Vek::PString("g-1")); });
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kClosed);
    EXPECT_EQ(native->GetOwner(), nullptr);
    host.Call("$void@Probe::AddUser(OnlineGroup,string)", {Group(group), host.Text("dan")});
    EXPECT_EQ(native->Members().size(), 2u) << "a closed group takes no requests";
    EXPECT_EQ(native->PostScriptMessage(SoupHandle()), 1);
}

// Group packets whose cookie is missing or cut short name no group: not
// the created group still waiting for its cookie, nor a joined group whose
// cookie is the front of the one the packet meant.
TEST_F(OnlineGroupObject, PacketsWithoutAWholeCookieReachNoGroup) {
    // Hands the endpoint each group packet with the cookie `text`; with
    // `kept` >= 0 the packet ends after the cookie's length and the first
    // `kept` bytes of it.
    auto sendAll = [&](const char* text, int kept) {
        auto cookieAndMembers = [&](TStream& out) {
            if (kept >= 0) {
                out.WriteInt32(static_cast<int32_t>(std::strlen(text)) + 1);
                out.Write(text, kept);
                return;
            }
            out.WritePString(Vek::PString(text));
            WriteMembers(out, {{"zed", 1, 0}});
        };
        FromServer(21, cookieAndMembers);
        FromServer(23, cookieAndMembers);
        FromServer(24, [&](TStream& out) {
            KUID(7, 11, 0).Write(out);
            out.WriteString(Vek::String("zed"));
            cookieAndMembers(out);
        });
        FromServer(22, cookieAndMembers);
    };

    const uint32_t opened = host.CallRef("$OnlineGroup@Probe::Open(string,int)", {host.Text("g-1"), 2});
    const uint32_t created = host.CallRef("$OnlineGroup@Probe::Create(int)", {5});
    ASSERT_NE(opened, 0u);
    ASSERT_NE(created, 0u);
    GSOOnlineGroup* joined = NativeScriptHost::Native<GSOOnlineGroup>(opened);
    GSOOnlineGroup* waiting = NativeScriptHost::Native<GSOOnlineGroup>(created);
    FromServer(21, [](TStream& out) {
        out.WritePString(Vek::PString("g-1"));
        WriteMembers(out, {{"alice", 1, 0}});
    });
    ASSERT_EQ(joined->GetStatus(), GSOOnlineGroup::kJoined);
    ASSERT_EQ(waiting->GetStatus(), GSOOnlineGroup::kJoining);

    sendAll("", -1);
    sendAll("g-2", 0);
    sendAll("g-1 and more", 3);
    EXPECT_EQ(waiting->GetStatus(), GSOOnlineGroup::kJoining) << "still waiting for its create answer";
    EXPECT_EQ(MembersText(*waiting), "");
    EXPECT_FALSE(waiting->HasMessages());
    EXPECT_EQ(joined->GetStatus(), GSOOnlineGroup::kJoined);
    EXPECT_EQ(MembersText(*joined), "alice:1:0");
    EXPECT_FALSE(joined->HasMessages());
    EXPECT_NE(joined->GetOwner(), nullptr) << "not closed";

    FromServer(29, [&](TStream& out) {
        out.WriteInt32(waiting->GetPendingRequest());
        out.WritePString(Vek::PString("g-2"));
        WriteMembers(out, {{"bob", 1, 0}});
    });
    EXPECT_EQ(waiting->GetStatus(), GSOOnlineGroup::kJoined) << "the create answer still finds it";
    EXPECT_EQ(MembersText(*waiting), "bob:1:0");
}

TEST_F(OnlineGroupObject, AnOpenedGroupJoinsByItsCookieAndClosesWhenItsOwnerLeaves) {
    const uint32_t group = host.CallRef("$OnlineGroup@Probe::Open(string,int)", {host.Text("club"), 2});
    ASSERT_NE(group, 0u);
    GSOOnlineGroup* native = NativeScriptHost::Native<GSOOnlineGroup>(group);
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kJoining);
    FromServer(21, [](TStream& out) {
        out.WritePString(Vek::PString("club"));
        WriteMembers(out, {{"alice", 1, 0}});
    });
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kJoined);
    FromServer(23, [](TStream& out) {
        out.WritePString(Vek::PString("club"));
        WriteMembers(out, {{"bob", 1, 0}});
    });
    EXPECT_EQ(MembersText(*native), "alice:1:0,bob:1:0");

    host.Call("$void@Probe::GroupDisconnect(OnlineGroup)", {Group(group)});
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kNotJoined);
    host.Call("$void@Probe::GroupConnect(OnlineGroup)", {Group(group)});
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kJoining) << "joins again while it has an owner";

    account.profile.clear();
    host.Call("$void@Probe::Connect()");
    host.Call("$void@Probe::Disconnect()");
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kClosed) << "the owner left the endpoint";
    EXPECT_EQ(native->GetOwner(), nullptr);
}

}  // namespace
