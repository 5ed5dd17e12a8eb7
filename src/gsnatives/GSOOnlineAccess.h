#pragma once
// GSOOnlineAccess: the native game object behind the script class
// OnlineAccess. A library asset's scripts reach the online messaging service
// through it: connect and disconnect, send and collect direct messages, make
// or open online groups, keep per-asset local data in the asset database's
// daemon, and pass offline messages through two soups read at start.
//
// There is at most one live object per library asset (user and content;
// the version does not count) and context (FindOrCreate). Between Connect
// and Disconnect (or its destruction) it is a client of the process's
// online endpoint, which every live object's Update drives; Update turns
// the endpoint's state and new messages into the messages "OnlineAccess",
// "StatusChange" and "OnlineAccess", "ReceiveMessage" that the object posts
// to itself.
//
// A script may post about 60 direct messages in a burst and one per second
// after that: the post counter rises by one per message and falls by one
// per second.
#include <cstdint>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"
#include "gsnatives/OnlineMessageList.h"
#include "gsnatives/ReceivedMessageList.h"
#include "gsruntime/router/GSGameObject.h"
#include "online/OnlineMessages.h"

class OnlineAccessClientEndpoint;

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOOnlineAccess : public GSRuntime::GSGameObject,
                        public OnlineAccessClientBase,
                        public OnlineAccessMessageListInterface {
public:
    // Above this post count PostMessage sends nothing.
    static constexpr float kPostLimit = 60.0f;

    // The live object of the context whose asset has the user and content of
    // `libraryAsset` and whose instance still counts references, with one
    // more count for the caller; otherwise a new one (its creation count is
    // the caller's). Null when the class OnlineAccess is not bound.
    static GSOOnlineAccess* FindOrCreate(const KUID& libraryAsset, GSRuntime::GSContext* context);

    // Bound to the class OnlineAccess in `context` and registered with its
    // router; the asset's locally-modified state is asked once.
    GSOOnlineAccess(const KUID& libraryAsset, GSRuntime::GSContext* context);
    // Leaves the endpoint (reset when no client is left), saves the message
    // cache, drops the received messages.
    ~GSOOnlineAccess() override;

    void Update(float dt) override;

    // ---- OnlineAccessClientBase ----
    // A versioned message is kept unless this asset is locally modified and
    // the sender's was not; a plain one (without version) reaches no script.
    // The messages kept are bounded (ReceivedMessageList).
    void DeliverMessage(OnlineMessage* message) override;

    // ---- OnlineAccessMessageListInterface ----
    int32_t CollectMessage(Vek::String& name, SoupHandle& soup) override;
    bool HasMessages() const override { return !m_received.Empty(); }

    // The endpoint every online object uses.
    static OnlineAccessClientEndpoint& Endpoint();

    bool IsLocallyModified() const { return m_locallyModified; }
    bool IsConnectRequested() const { return m_connectRequested; }
    int32_t GetLastStatus() const { return m_lastStatus; }
    float GetPostCounter() const { return m_postCounter; }
    // One more message posted (by this object or one of its groups).
    void CountPost() { m_postCounter += 1.0f; }
    bool IsPostLimitReached() const { return m_postCounter > kPostLimit; }
    // What PostMessage does once its arguments are fetched: 4 above the
    // post limit, else the post counts and the endpoint's send result.
    int32_t PostScriptMessage(const Vek::String& name, const SoupHandle& soup);
    // The object is being destroyed: its groups leave its instance alone.
    bool IsEnding() const { return m_ending; }

    // The offline soups, read from the "cache" root when the natives are
    // registered; null until then. Never written back.
    static SoupHandle& OfflineInbox();
    static SoupHandle& OfflineOutbox();

    // ---- the natives of OnlineAccess (arguments from local slot 1) ----
    void NativeConnect(GSRuntime::GSStack* stack);
    void NativeGetStatus(GSRuntime::GSStack* stack);
    void NativeDisconnect(GSRuntime::GSStack* stack);
    void NativeGetUsername(GSRuntime::GSStack* stack);
    void NativeGetLocalData(GSRuntime::GSStack* stack);
    void NativeSetLocalData(GSRuntime::GSStack* stack);
    void NativeGetProfileData(GSRuntime::GSStack* stack);
    void NativeSetProfileData(GSRuntime::GSStack* stack);
    void NativePostMessage(GSRuntime::GSStack* stack);
    void NativeCollectMessage(GSRuntime::GSStack* stack);
    void NativeCreateGroup(GSRuntime::GSStack* stack);
    void NativeOpenGroup(GSRuntime::GSStack* stack);
    void NativePostOfflineMessage(GSRuntime::GSStack* stack);
    void NativeCollectOfflineMessage(GSRuntime::GSStack* stack);
    void NativeCanAccessMultiplayer(GSRuntime::GSStack* stack);

    static GSRuntime::GSClass* GetScriptClass();
    static bool ResolveScriptClass();

private:
    // Leaves the endpoint; the endpoint is reset when no client is left,
    // and the stored messages are saved.
    void LeaveEndpoint();
    void PostToSelf(const char* minor);

    int32_t m_lastStatus = 0;
    bool m_locallyModified = false;
    bool m_connectRequested = false;
    bool m_newMessage = false;
    bool m_ending = false;
    ReceivedMessageList<OnlineVersionedMessage> m_received{"OnlineAccess"};
    float m_postCounter = 0.0f;
};

// Registers the 15 natives of OnlineAccess, loads the offline soups and the
// endpoint's message cache.
void RegisterOnlineAccessNatives();

}  // namespace GSNatives
