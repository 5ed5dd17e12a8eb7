#pragma once
// Fakes of the account service, sign-in requests, clients and groups, and a
// driver that runs an endpoint on the program clock until a condition holds.
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "foundation/callbacks/ProgramTime.h"
#include "foundation/streams/Stream.h"
#include "online/OnlineAccessClientEndpoint.h"
#include "online/OnlineAccountService.h"

namespace OnlineTest {

struct FakeSignIn : OnlineSignInRequest {
    explicit FakeSignIn(int* deletions) : deletions(deletions) {}
    ~FakeSignIn() override { ++*deletions; }
    bool IsComplete() override { return complete; }
    int32_t ResultCode() override { return result; }
    bool complete = false;
    int32_t result = 0;
    int* deletions;
};

class FakeAccount : public OnlineAccountService {
public:
    Vek::String GetProfileName() override { return Vek::String(profile.c_str()); }
    Vek::String GetAuthenticationToken() override { return Vek::String(token.c_str()); }
    void NotifyLoginRefused() override { ++refusals; }
    OnlineSignInRequest* StartSignIn() override {
        ++signInStarts;
        if (!signInPossible) return nullptr;
        lastSignIn = new FakeSignIn(&signInDeletions);
        return lastSignIn;
    }
    std::string ServerHost() override { return "127.0.0.1"; }
    int ServerPort() override { return port; }

    std::string profile = "alice";
    std::string token = "token-a";
    int port = 0;
    int refusals = 0;
    int signInStarts = 0;
    int signInDeletions = 0;
    bool signInPossible = true;
    FakeSignIn* lastSignIn = nullptr;
};

struct RecordingClient : OnlineAccessClientBase {
    explicit RecordingClient(const KUID& kuid) { clientKUID = kuid; }
    ~RecordingClient() override {
        for (OnlineMessage* m : received) delete m;
    }
    void DeliverMessage(OnlineMessage* message) override { received.push_back(message); }
    std::vector<OnlineMessage*> received;
};

struct RecordingGroup : OnlineGroupClient {
    bool MatchesRequest(int32_t id) override { return id == requestId && requestId != 0; }
    void Joined(const Vek::PString& c, TStream& rest) override {
        cookie = c.c_str();
        events.push_back("joined " + cookie + " " + Members(rest));
    }
    void MembersChanged(TStream& rest) override { events.push_back("members " + Members(rest)); }
    void Closed() override { events.push_back("closed"); }
    void ClientRemoved(OnlineAccessClientBase*) override { events.push_back("client removed"); }
    bool MatchesCookie(const Vek::PString& c) override { return !cookie.empty() && cookie == c.c_str(); }
    void DeliverMessage(OnlineGroupMessage* message) override {
        events.push_back("message from " + std::string(message->userName.c_str()));
        delete message;
    }
    static std::string Members(TStream& rest) {
        uint8_t low = 0, high = 0;
        rest.ReadByte(low);
        rest.ReadByte(high);
        std::string text;
        for (int i = 0; i < (low | high << 8); ++i) {
            Vek::PString name;
            uint8_t status = 0;
            int32_t flags = 0;
            rest.ReadPString(name);
            rest.ReadByte(status);
            rest.ReadInt32(flags);
            text += std::string(i ? "," : "") + name.c_str() + ":" + std::to_string(status);
        }
        return text;
    }
    int32_t requestId = 0;
    std::string cookie;
    std::vector<std::string> events;
};

// Updates the endpoints on the program clock (kept in step with real time,
// since the server runs on it) until `done` holds or 20 s have passed.
inline bool DriveUntil(const std::vector<OnlineAccessClientEndpoint*>& endpoints, const std::function<bool()>& done) {
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const double base = GetProgramTime();
    while (clock::now() - start < std::chrono::seconds(20)) {
        SetProgramTime(base + std::chrono::duration<double>(clock::now() - start).count());
        for (auto* endpoint : endpoints) endpoint->Update();
        if (done()) return true;
        std::this_thread::yield();
    }
    return done();
}

}  // namespace OnlineTest
