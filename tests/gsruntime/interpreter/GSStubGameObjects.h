#pragma once
// Stand-ins for the game objects, their router and its messages, installed
// as the interpreter's game-object services, so that waits, message
// delivery and thread starts can be driven here: a game object that says
// whether it is in a router and owns real script threads, messages that
// count their holders, type ids given to names as a router gives them (1
// for the empty name, new names from 101), and a record of subscriptions.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gsruntime/GSContext.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSString.h"
#include "gsruntime/interpreter/GSGameObjectServices.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSTest {

struct StubMessage {
    uint16_t major = 0;
    uint16_t minor = 0;
    int count = 1;  // the test's own
};

inline GSRuntime::GSMessage* AsMessage(StubMessage& message) {
    return reinterpret_cast<GSRuntime::GSMessage*>(&message);
}
inline StubMessage& FromMessage(const GSRuntime::GSMessage* message) {
    return *reinterpret_cast<StubMessage*>(const_cast<GSRuntime::GSMessage*>(message));
}

class StubGameObject : public GSRuntime::GSObject {
public:
    StubGameObject() : GSObject(GSRuntime::kGSRefGameObject) {}
    ~StubGameObject() override { threads.clear(); }

    GSRuntime::GSThread* CreateThread() override {
        if (static_cast<int>(threads.size()) >= threadLimit) return nullptr;
        threads.push_back(std::make_unique<GSRuntime::GSThread>(this, 0));
        return threads.back().get();
    }
    void ResetThreads() override {
        for (auto& thread : threads) thread->Reset();
    }

    bool inRouter = true;
    int nodeId = 7;
    int threadLimit = 64;
    std::vector<std::unique_ptr<GSRuntime::GSThread>> threads;
    // Subscription counts by major id.
    std::map<uint16_t, int> subscriptions;
};

// The type ids of the stand-in router.
inline std::map<std::string, uint16_t>& TypeIds() {
    static std::map<std::string, uint16_t> ids;
    return ids;
}
inline uint16_t TypeId(const std::string& name) {
    if (name.empty()) return 1;
    auto& ids = TypeIds();
    auto found = ids.find(name);
    if (found != ids.end()) return found->second;
    const uint16_t id = static_cast<uint16_t>(101 + ids.size());
    ids[name] = id;
    return id;
}

// Game objects made through the services (by script object creation), and
// those the stand-in router was given.
inline std::vector<GSRuntime::GSObject*>& RoutedObjects() {
    static std::vector<GSRuntime::GSObject*> objects;
    return objects;
}

inline StubGameObject* AsStub(GSRuntime::GSObject* object) { return static_cast<StubGameObject*>(object); }

inline void InstallStubGameObjects() {
    GSRuntime::GSGameObjectServices services;
    services.inRouter = [](GSRuntime::GSObject* o) { return AsStub(o)->inRouter; };
    services.nodeId = [](GSRuntime::GSObject* o) { return static_cast<int32_t>(AsStub(o)->nodeId); };
    services.messageTypeId = [](GSRuntime::GSObject*, const char* name) { return TypeId(name ? name : ""); };
    services.subscribeBlocks = [](GSRuntime::GSObject* o, const GSRuntime::GSWaitBlock* blocks, int32_t count) {
        for (int32_t i = 0; i < count; ++i) AsStub(o)->subscriptions[blocks[i].major] += 1;
    };
    services.unsubscribeBlocks = [](GSRuntime::GSObject* o, const GSRuntime::GSWaitBlock* blocks, int32_t count) {
        for (int32_t i = 0; i < count; ++i) AsStub(o)->subscriptions[blocks[i].major] -= 1;
    };
    services.messageMajor = [](const GSRuntime::GSMessage* m) { return FromMessage(m).major; };
    services.messageMinor = [](const GSRuntime::GSMessage* m) { return FromMessage(m).minor; };
    services.holdMessage = [](GSRuntime::GSMessage* m) { FromMessage(m).count += 1; };
    services.releaseMessage = [](GSRuntime::GSMessage* m) { FromMessage(m).count -= 1; };
    // The "Message" object: a string naming the message's major id.
    services.messageObject = [](GSRuntime::GSObject* o, GSRuntime::GSMessage* m) {
        const std::string text = "message " + std::to_string(FromMessage(m).major);
        return (new GSRuntime::GSString(o->GetContext(), text.c_str()))->GetReference();
    };
    services.describeMessage = [](GSRuntime::GSObject*, const GSRuntime::GSMessage* m, Vek::String& out) {
        out.Add("message %d/%d\n", FromMessage(m).major, FromMessage(m).minor);
    };
    services.newGameObject = []() -> GSRuntime::GSObject* { return new StubGameObject(); };
    services.addToRouter = [](GSRuntime::GSRouter*, GSRuntime::GSObject* o) { RoutedObjects().push_back(o); };
    GSRuntime::GSSetGameObjectServices(services);
}

}  // namespace GSTest
