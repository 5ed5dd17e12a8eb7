#pragma once
// The script host of the online objects' tests: a probe script that drives
// an OnlineAccess and its groups, the test's own endpoint (on a fake
// account) in place of the process's, the "cache" root in a temporary
// folder, and a fake program clock that the ticks advance.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "foundation/callbacks/ProgramTime.h"
#include "gsnatives/GSOOnlineAccess.h"
#include "gsnatives/GSOOnlineGroup.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/support/NativeScriptHost.h"
#include "gsruntime/router/GSMessage.h"
#include "online/OnlineAccessClientEndpoint.h"
#include "online/access/OnlineAccessTestSupport.h"
#include "support/TempDir.h"

namespace GSNativesTest {

inline const char* const kOnlineProbe = R"(include "OnlineAccess.gs"
include "Constructors.gs"

class Probe isclass GameObject
{
	OnlineAccess access;
	string collectedName;
	Soup collected;

	public void Use(OnlineAccess a) { access = a; }
	public void Connect(void) { access.Connect(); }
	public void Disconnect(void) { access.Disconnect(); }
	public int Status(void) { return access.GetStatus(); }
	public string Username(void) { return access.GetUsername(); }
	public bool Multiplayer(void) { return access.CanAccessMultiplayer(); }
	public Soup NewSoup(void) { return ConstructorsBase.NewSoup(); }
	public int Collect(void)
	{
		string name = "unset";
		collected = ConstructorsBase.NewSoup();
		int result = access.CollectMessage(name, collected);
		collectedName = name;
		return result;
	}
	public string CollectedName(void) { return collectedName; }
	public Soup Collected(void) { return collected; }
	public int SetData(string key, Soup s) { return access.SetLocalData(key, s); }
	public int GetData(string key, Soup s) { return access.GetLocalData(key, s); }
	public int PostOffline(Soup s) { return access.PostOfflineMessage(s); }
	public int CollectOffline(Soup s) { return access.CollectOfflineMessage(s); }

	public OnlineGroup Create(int type) { return access.CreateGroup(type); }
	public OnlineGroup Open(string cookie, int type) { return access.OpenGroup(cookie, type); }
	public void GroupConnect(OnlineGroup g) { g.Connect(); }
	public void GroupDisconnect(OnlineGroup g) { g.Disconnect(); }
	public int GroupStatus(OnlineGroup g) { return g.GetStatus(); }
	public string Cookie(OnlineGroup g) { return g.GetOnlineGroupCookie(); }
	public void AddUser(OnlineGroup g, string user) { g.AddUser(user); }
	public void RemoveUser(OnlineGroup g, string user) { g.RemoveUser(user); }
	public int CountUsers(OnlineGroup g) { return g.CountUsers(); }
	public string User(OnlineGroup g, int i) { return g.GetIndexedUser(i); }
	public int FindUser(OnlineGroup g, string user) { return g.FindUser(user); }
	public int UserStatus(OnlineGroup g, int i) { return g.GetUserStatus(i); }
	public int UserFlags(OnlineGroup g, string user) { return g.GetUserModeFlags(user); }
	public void SetUserFlags(OnlineGroup g, string user, int set, int clear) { g.SetUserModeFlags(user, set, clear); }
	public int GroupCollect(OnlineGroup g)
	{
		string name = "unset";
		collected = ConstructorsBase.NewSoup();
		int result = g.CollectMessage(name, collected);
		collectedName = name;
		return result;
	}
};
)";

class OnlineScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        Vek::File::Subst(Vek::PString("cache"), cacheFolder.Path().c_str(), true);
        SetProgramTime(now);
        endpoint = std::make_unique<OnlineAccessClientEndpoint>(account);
        OnlineAccessClientEndpoint::UseInstance(endpoint.get());
        ASSERT_TRUE(host.Start(ProbeSource()));
    }
    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
        OnlineAccessClientEndpoint::UseInstance(nullptr);
        Vek::File::Subst(Vek::PString("cache"), nullptr, true);
    }

    // The probe script the host compiles.
    virtual std::string ProbeSource() const { return kOnlineProbe; }

    // The access object of an asset in the host's context, kept by the host
    // and handed to the probe.
    GSNatives::GSOOnlineAccess* Access(const KUID& asset) {
        GSNatives::GSOOnlineAccess* access = GSNatives::GSOOnlineAccess::FindOrCreate(asset, host.context);
        if (!access) return nullptr;
        host.Own(access);
        host.Call("$void@Probe::Use(OnlineAccess)", {NativeScriptHost::Counted(access->GetReference())});
        return access;
    }

    // One update of `seconds` on the fake clock for each object given; the
    // messages they posted, as "major/minor", in posting order.
    std::vector<std::string> Tick(std::initializer_list<GSRuntime::GSGameObject*> objects, float seconds) {
        now += seconds;
        SetProgramTime(now);
        for (GSRuntime::GSGameObject* object : objects) object->Update(seconds);
        return TakePosted();
    }
    std::vector<std::string> TakePosted() {
        std::vector<std::string> posted;
        GSRuntime::GSRouter* router = host.context->GetRouter();
        while (GSRuntime::GSMessage* message = router->TakePostedMessage()) {
            posted.push_back(std::string(router->GetMessageTypeName(message->major).c_str()) + "/" +
                             router->GetMessageTypeName(message->minor).c_str());
            message->ReleaseReference();
        }
        return posted;
    }

    static SoupHandle SoupWith(const char* tag, int value) {
        SoupHandle soup;
        soup.SetInt(Vek::PString(tag), value);
        return soup;
    }
    static const SoupHandle& SoupOf(uint32_t reference) {
        return NativeScriptHost::Native<GSNatives::GSOSoup>(reference)->GetSoup();
    }

    double now = 1000.0;
    VorlexTest::TempDir cacheFolder;
    OnlineTest::FakeAccount account;
    std::unique_ptr<OnlineAccessClientEndpoint> endpoint;
    NativeScriptHost host;
};

}  // namespace GSNativesTest
