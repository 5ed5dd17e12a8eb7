// The online access object against the built stand-ins: local data kept by
// the stand-in daemon (operations 121 and 122) and the profile name
// (operation 240); signing in, a message and a group through the stand-in
// online server on loopback. Skipped when the stand-ins are not built.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "assetdb/client/StandInDaemonLinkTest.h"
#include "assetdb/requests/VADSettings.h"
#include "foundation/network/HostResolver.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "gsnatives/online/OnlineScriptHost.h"
#include "online/access/StandInOnlineServer.h"

namespace {

using GSNatives::GSOOnlineAccess;
using GSNatives::GSOOnlineGroup;
using GSNativesTest::NativeScriptHost;

class OnlineLocalData : public VorlexTest::StandInDaemonLinkTest {
protected:
    void SetUp() override {
        StandInDaemonLinkTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(Open());
        ASSERT_TRUE(host.Start(GSNativesTest::kOnlineProbe));
    }
    void TearDown() override {
        host.EndContext();
        StandInDaemonLinkTest::TearDown();
    }

    NativeScriptHost host;
};

TEST_F(OnlineLocalData, LocalDataRoundTripsThroughTheDaemonAndTheProfileNameComesFromIt) {
    GSOOnlineAccess* access = GSOOnlineAccess::FindOrCreate(KUID(7, 11, 0), host.context);
    ASSERT_NE(access, nullptr);
    host.Own(access);
    host.Call("$void@Probe::Use(OnlineAccess)", {NativeScriptHost::Counted(access->GetReference())});
    EXPECT_EQ(host.CallText("$string@Probe::Username()"), "") << "no profile yet";
    SoupHandle internet;
    internet.SetString(Vek::PString("username"), "driver");
    VADWriteSettings(Vek::PString("internet"), internet);
    EXPECT_EQ(host.CallText("$string@Probe::Username()"), "driver");

    const uint32_t written = host.CallRef("$Soup@Probe::NewSoup()");
    SoupHandle data;
    data.SetInt(Vek::PString("score"), 12);
    NativeScriptHost::Native<GSNatives::GSOSoup>(written)->SetSoup(data);
    EXPECT_EQ(host.Call("$int@Probe::SetData(string,Soup)", {host.Text("Best"), NativeScriptHost::Counted(written)}),
              0u);
    const uint32_t read = host.CallRef("$Soup@Probe::NewSoup()");
    EXPECT_EQ(host.Call("$int@Probe::GetData(string,Soup)", {host.Text("BEST"), NativeScriptHost::Counted(read)}), 0u);
    const SoupHandle& got = NativeScriptHost::Native<GSNatives::GSOSoup>(read)->GetSoup();
    EXPECT_EQ(got.GetInt(Vek::PString("score"), 0), 12) << "the key is lower-cased both ways";
    EXPECT_FALSE(got == data) << "a copy";

    EXPECT_EQ(host.Call("$int@Probe::GetData(string,Soup)", {host.Text("other"), NativeScriptHost::Counted(read)}),
              0u);
    EXPECT_EQ(NativeScriptHost::Native<GSNatives::GSOSoup>(read)->GetSoup().Count(), 0) << "nothing stored";
}

class OnlineThroughServer : public GSNativesTest::OnlineScriptTest {
protected:
    // The server's host is looked up by the resolver thread.
    void SetUp() override {
        AddResolverUse();
        OnlineScriptTest::SetUp();
    }
    void TearDown() override {
        OnlineScriptTest::TearDown();
        ReleaseResolverUse();
    }
    // Updates the objects on the program clock, kept in step with real time
    // (the server runs on it), until `done` holds or 20 s have passed.
    bool DriveUntil(std::initializer_list<GSRuntime::GSGameObject*> objects, const std::function<bool()>& done) {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        auto last = start;
        while (clock::now() - start < std::chrono::seconds(20)) {
            const auto at = clock::now();
            const float dt = std::chrono::duration<float>(at - last).count();
            last = at;
            now += dt;
            SetProgramTime(now);
            for (GSRuntime::GSGameObject* object : objects) object->Update(dt);
            if (done()) return true;
            std::this_thread::yield();
        }
        return done();
    }
};

TEST_F(OnlineThroughServer, AScriptSignsInExchangesAMessageAndRunsAGroup) {
    OnlineTest::StandInOnlineServer server;
    if (server.Port() == 0) GTEST_SKIP() << "the stand-in online server is not built";
    account.port = server.Port();
    GSOOnlineAccess* access = Access(KUID(7, 11, 0));
    ASSERT_NE(access, nullptr);
    host.Call("$void@Probe::Connect()");
    std::vector<std::string> posted;
    ASSERT_TRUE(DriveUntil({access}, [&] {
        for (const std::string& each : TakePosted()) posted.push_back(each);
        return access->GetLastStatus() == OnlineAccessClientEndpoint::kConnected;
    })) << endpoint->GetState() << "\n" << server.Transcript();
    EXPECT_EQ(host.Call("$int@Probe::Status()"), 7u);
    EXPECT_EQ(posted.back(), "OnlineAccess/StatusChange");
    EXPECT_EQ(host.Call("$bool@Probe::Multiplayer()"), 1u);
    EXPECT_EQ(host.Call("$int@Probe::Collect()"), 6u) << "connected, nothing to collect";

    // A message to the signed-in user itself comes back named after the
    // sender's profile.
    EXPECT_EQ(access->PostScriptMessage(Vek::String("alice"), SoupWith("n", 5)), 0);
    ASSERT_TRUE(DriveUntil({access}, [&] { return access->HasMessages(); }));
    EXPECT_EQ(host.Call("$int@Probe::Collect()"), 0u);
    EXPECT_EQ(host.CallText("$string@Probe::CollectedName()"), "alice");
    EXPECT_EQ(SoupOf(host.CallRef("$Soup@Probe::Collected()")).GetInt(Vek::PString("n"), 0), 5);

    const uint32_t group = host.CallRef("$OnlineGroup@Probe::Create(int)", {3});
    GSOOnlineGroup* native = NativeScriptHost::Native<GSOOnlineGroup>(group);
    ASSERT_NE(native, nullptr);
    ASSERT_TRUE(DriveUntil({access, native}, [&] { return native->GetStatus() == GSOOnlineGroup::kJoined; }));
    const uint32_t counted = NativeScriptHost::Counted(group);
    EXPECT_EQ(host.CallText("$string@Probe::Cookie(OnlineGroup)", {counted}), "group-1");
    EXPECT_EQ(host.CallText("$string@Probe::User(OnlineGroup,int)", {NativeScriptHost::Counted(group), 0}), "alice");
    EXPECT_EQ(native->PostScriptMessage(SoupWith("m", 1)), 0);
    host.Call("$void@Probe::AddUser(OnlineGroup,string)", {NativeScriptHost::Counted(group), host.Text("bob")});
    host.Call("$void@Probe::GroupDisconnect(OnlineGroup)", {NativeScriptHost::Counted(group)});
    ASSERT_TRUE(DriveUntil({access, native}, [&] {
        return server.Transcript().find("group-leave cookie=group-1") != std::string::npos;
    }));
    const std::string transcript = server.Transcript();
    EXPECT_NE(transcript.find("group-create id=1 cookie=group-1"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("group-message cookie=group-1"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("group-user cookie=group-1 add bob"), std::string::npos) << transcript;
    EXPECT_EQ(native->GetStatus(), GSOOnlineGroup::kNotJoined);
}

}  // namespace
