#pragma once
// GSGameObject: a script object that takes part in message routing. It is
// a GSObject (reference type 4) holding a script instance of a class that
// is or derives from "GameObject", and a GSNode of its context's router.
// It owns its script threads (at most 64) and the message handlers other
// objects registered on it.
//
// Delivery (HandleMessage): the message is offered to the waiting threads,
// then the matching handlers (copied before any runs) run: a script handler
// calls the listener's "(Message)" method on the machine's static thread; a
// sniff handler forwards a marked copy to the sniffer, which is never
// forwarded again, so objects sniffing each other do not loop.
//
// Update: the node's own queue is handled, then each thread runs one slice;
// a thread that does not block ends and is deleted.
//
// Threads that BindClass must drop while one of them is executing (a native
// called by that very thread rebinds the object) are only unlinked; they
// are deleted once the run returns.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/router/GSNode.h"

namespace GSRuntime {

class GSMessage;
class GSStack;
class GSThread;

// A message handler registered on a game object.
struct GSHandler {
    int32_t listener = 0;       // node id of the object that registered it
    uint32_t dataOffset = 0;    // view of the class holding the method
    int32_t slot = 0;           // the method's slot (0 for a sniff handler)
    std::string signature;      // the method's signature (empty for a sniff)
    uint16_t major = 0;
    uint16_t minor = 0;         // 1: any minor
    bool sniff = false;
};

class GSGameObject : public GSObject, public GSNode {
public:
    static constexpr int32_t kMaxThreads = 64;

    GSGameObject();
    ~GSGameObject() override;

    // Drops every thread and handler first; then unbinds (class null,
    // false), refuses a class that is no "GameObject", or binds.
    bool BindClass(GSClass* cls, GSContext* context) override;
    GSThread* CreateThread() override;
    GSGameObject* AsGameObject() override { return this; }
    void ResetThreads() override;
    void CutThreadReferencesInto(const GSTrackedObjectRegistry& dying) override;
    bool DeferDestruction() override;

    Vek::PString GetName() const override { return m_name; }
    void SetName(const Vek::PString& name) { m_name = name; }
    bool HandleMessage(GSMessage* const& message) override;
    void Update(float dt) override;

    void DumpThreadStacks() const;

    // Context teardown: threads (but the running one) and handlers go.
    void DropThreadsAndHandlers();
    // Context teardown: one more count on the object's own instance, so
    // that no release deletes the object; the context's teardown ends the
    // instance whatever its count.
    void HoldInstance();

    int32_t ThreadCount() const { return static_cast<int32_t>(m_threads.size()); }
    GSThread* ThreadAt(int32_t i) const { return m_threads[static_cast<std::size_t>(i)]; }
    const std::vector<GSHandler>& Handlers() const { return m_handlers; }
    std::vector<GSHandler>& Handlers() { return m_handlers; }

    // The natives of class "GameObject" (arguments from local slot 1).
    void NativeSendMessage(GSStack* stack);
    void NativeSendMessageSoup(GSStack* stack);
    void NativePostMessage(GSStack* stack);
    void NativePostMessageSoup(GSStack* stack);
    void NativeClearMessages(GSStack* stack);
    void NativeAddHandler(GSStack* stack);
    void NativeSniff(GSStack* stack);
    void NativeSleep(GSStack* stack);
    void NativeGetId(GSStack* stack);
    void NativeGetName(GSStack* stack);
    void NativeException(GSStack* stack);

private:
    void DeleteRetiredThreads();
    void RunHandler(const GSHandler& handler, GSMessage* message);
    void SendOrPost(GSStack* stack, bool post, bool withSoup);

    std::vector<GSHandler> m_handlers;
    std::vector<GSThread*> m_threads;
    // Threads unlinked while one of this object's threads was executing.
    std::vector<GSThread*> m_retired;
    GSThread* m_executing = nullptr;
    Vek::PString m_name;
};

}  // namespace GSRuntime
