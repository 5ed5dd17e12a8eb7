#include "gsnatives/GSOOnlineAccess.h"

#include <algorithm>
#include <cmath>

#include "assetdb/requests/VADOnlineRequests.h"
#include "foundation/soups/SoupFiles.h"
#include "gsnatives/GSOOnlineGroup.h"
#include "gsnatives/GSOSecurityToken.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/LockedRefusal.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/OfflineOutboxBounds.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptSoupBounds.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/router/GSRouter.h"
#include "online/OnlineAccessClientEndpoint.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

constexpr const char* kMajor = "OnlineAccess";
constexpr const char* kLockedText = "OnlineAccess.GetLocalData> soup is locked";

// The live objects, newest first.
std::vector<GSOOnlineAccess*>& LiveObjects() {
    static std::vector<GSOOnlineAccess*> objects;
    return objects;
}

bool SameAsset(const KUID& a, const KUID& b) {
    return a.GetUserID() == b.GetUserID() && a.GetContentID() == b.GetContentID();
}

// The key of the local data natives: argument 1, not empty, lower-cased.
bool GetKeyParam(const GSStack* stack, Vek::PString& key) {
    if (!GetPStringParam(stack, 1, false, key)) return false;
    key.ToLower();
    return true;
}

}  // namespace

GSOOnlineAccess* GSOOnlineAccess::FindOrCreate(const KUID& libraryAsset, GSContext* context) {
    for (GSOOnlineAccess* object : LiveObjects()) {
        if (object->GetContext() != context || !SameAsset(object->clientKUID, libraryAsset)) continue;
        const GSDataRef reference = object->GetReference();
        if (!reference || GSScriptInstance::FromReference(reference)->count == 0) continue;
        GSScriptInstance::AddRef(reference);
        return object;
    }
    auto* created = new GSOOnlineAccess(libraryAsset, context);
    if (!created->GetReference()) {
        delete created;
        return nullptr;
    }
    return created;
}

GSOOnlineAccess::GSOOnlineAccess(const KUID& libraryAsset, GSContext* context) {
    clientKUID = libraryAsset;
    if (BindClass(GetScriptClass(), context) && context && context->GetRouter()) {
        context->GetRouter()->AddNode(this);
        Activate();
    }
    m_locallyModified = IsAssetLocallyModified(libraryAsset);
    LiveObjects().insert(LiveObjects().begin(), this);
}

GSOOnlineAccess::~GSOOnlineAccess() {
    m_ending = true;
    LeaveEndpoint();
    m_received.Clear();
    auto& live = LiveObjects();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

OnlineAccessClientEndpoint& GSOOnlineAccess::Endpoint() { return OnlineAccessClientEndpoint::Instance(); }

GSClass* GSOOnlineAccess::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::OnlineAccess); }

bool GSOOnlineAccess::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::OnlineAccess); }

void GSOOnlineAccess::LeaveEndpoint() {
    OnlineAccessClientEndpoint& endpoint = Endpoint();
    endpoint.RemoveClient(this);
    if (!endpoint.HasClients()) endpoint.Reset();
    endpoint.SaveMessageCache();
}

void GSOOnlineAccess::PostToSelf(const char* minor) {
    GSRouter* router = Router();
    if (!router) return;
    GSMessage* message = CreateMessage(kMajor, minor, Id(), 0);
    if (!message) return;
    router->PostMessage(message);
    message->ReleaseReference();
}

void GSOOnlineAccess::Update(float dt) {
    GSGameObject::Update(dt);
    m_postCounter = std::max(0.0f, m_postCounter - (dt / 60.0f) * 60.0f);
    OnlineAccessClientEndpoint& endpoint = Endpoint();
    endpoint.Update();
    const int32_t status = m_connectRequested ? endpoint.GetState() : OnlineAccessClientEndpoint::kIdle;
    if (status != m_lastStatus) {
        m_lastStatus = status;
        PostToSelf("StatusChange");
        if (!m_received.Empty()) m_newMessage = true;
    }
    if (m_newMessage) {
        m_newMessage = false;
        PostToSelf("ReceiveMessage");
    }
    Activate();
}

void GSOOnlineAccess::DeliverMessage(OnlineMessage* message) {
    auto* versioned = dynamic_cast<OnlineVersionedMessage*>(message);
    // A message without version is taken as one of version 0 from a sender
    // that is not locally modified, which the rule below drops here; a
    // client that is not locally modified drops it as well.
    if (!versioned || (m_locallyModified && !versioned->flag)) {
        delete message;
        return;
    }
    m_received.Push(versioned);
    m_newMessage = true;
}

int32_t GSOOnlineAccess::CollectMessage(Vek::String& name, SoupHandle& soup) {
    if (m_received.Empty())
        return Endpoint().GetState() == OnlineAccessClientEndpoint::kConnected ? 6 : 1;
    OnlineVersionedMessage* message = m_received.PopFront();
    name = message->name;
    soup = message->soup;
    delete message;
    return 0;
}

SoupHandle& GSOOnlineAccess::OfflineInbox() {
    static SoupHandle inbox;
    return inbox;
}

SoupHandle& GSOOnlineAccess::OfflineOutbox() {
    static SoupHandle outbox;
    return outbox;
}

void GSOOnlineAccess::NativeConnect(GSStack*) {
    m_connectRequested = true;
    OnlineAccessClientEndpoint& endpoint = Endpoint();
    const int32_t state = endpoint.GetState();
    if (state != OnlineAccessClientEndpoint::kConnecting && state != OnlineAccessClientEndpoint::kConnected)
        endpoint.Connect(false);
    endpoint.AddClient(this);
}

void GSOOnlineAccess::NativeGetStatus(GSStack* stack) { stack->Push(static_cast<uint32_t>(m_lastStatus)); }

void GSOOnlineAccess::NativeDisconnect(GSStack*) {
    m_connectRequested = false;
    LeaveEndpoint();
}

void GSOOnlineAccess::NativeGetUsername(GSStack* stack) {
    stack->PushString(GetContext(), VADGetOnlineProfile().first);
}

// The four data natives declare an int result but give none: the caller
// reads 0.
void GSOOnlineAccess::NativeGetLocalData(GSStack* stack) {
    Vek::PString key;
    GSOSoup* soup = nullptr;
    if (!GetKeyParam(stack, key) || !GetParam<GSOSoup>(stack, 2, soup)) return;
    if (!WritableOrRaise(soup->IsLocked(), kLockedText)) return;
    const SoupHandle reply = VADReadOnlineLocalData(clientKUID, key.c_str());
    SoupWalkCost cost;
    if (!ScriptSoupWithinLimit(reply, "OnlineAccess.GetLocalData", &cost) ||
        !ScriptSoupRoom(GetContext(), (cost.nodes + 1) * kScriptSoupNodeRoom, "OnlineAccess.GetLocalData"))
        return;
    GSScriptSoupCharge charge(GetContext());
    SoupHandle copy;
    copy.CopyFrom(reply);
    soup->SetSoup(copy);
}

void GSOOnlineAccess::NativeSetLocalData(GSStack* stack) {
    Vek::PString key;
    GSOSoup* soup = nullptr;
    if (!GetKeyParam(stack, key) || !GetParam<GSOSoup>(stack, 2, soup)) return;
    if (!ScriptSoupWithinLimit(soup->GetSoup(), "OnlineAccess.SetLocalData")) return;
    VADWriteOnlineLocalData(clientKUID, key.c_str(), soup->GetSoup());
}

void GSOOnlineAccess::NativeGetProfileData(GSStack*) {}

void GSOOnlineAccess::NativeSetProfileData(GSStack*) {}

void GSOOnlineAccess::NativePostMessage(GSStack* stack) {
    if (IsPostLimitReached()) {
        stack->Push(OnlineAccessClientEndpoint::kNotSent);
        return;
    }
    Vek::String name;
    GSOSoup* soup = nullptr;
    if (!GetStringParam(stack, 1, name, false) || !GetParam<GSOSoup>(stack, 2, soup)) return;
    if (!ScriptSoupWithinLimit(soup->GetSoup(), "OnlineAccess.PostMessage")) return;
    stack->Push(static_cast<uint32_t>(PostScriptMessage(name, soup->GetSoup())));
}

int32_t GSOOnlineAccess::PostScriptMessage(const Vek::String& name, const SoupHandle& soup) {
    if (IsPostLimitReached()) return OnlineAccessClientEndpoint::kNotSent;
    CountPost();
    return Endpoint().SendVersionedMessage(clientKUID, name, soup, m_locallyModified);
}

void GSOOnlineAccess::NativeCollectMessage(GSStack* stack) { CollectMessageNative(*this, stack); }

void GSOOnlineAccess::NativeCreateGroup(GSStack* stack) {
    const int32_t groupType = static_cast<int32_t>(stack->Local(1));
    stack->PushNewObject(GSOOnlineGroup::Create(this, Vek::PString(), groupType), GSOOnlineGroup::GetScriptClass());
}

void GSOOnlineAccess::NativeOpenGroup(GSStack* stack) {
    Vek::PString cookie;
    if (!GetPStringParam(stack, 1, false, cookie)) return;
    const int32_t groupType = static_cast<int32_t>(stack->Local(2));
    stack->PushNewObject(GSOOnlineGroup::Create(this, cookie, groupType), GSOOnlineGroup::GetScriptClass());
}

void GSOOnlineAccess::NativePostOfflineMessage(GSStack* stack) {
    GSOSoup* soup = nullptr;
    if (!GetParam<GSOSoup>(stack, 1, soup)) return;
    SoupWalkCost cost;
    if (!ScriptSoupWithinLimit(soup->GetSoup(), "OnlineAccess.PostOfflineMessage", &cost) ||
        !ScriptSoupRoom(GetContext(), (cost.nodes + 1) * kScriptSoupNodeRoom, "OnlineAccess.PostOfflineMessage"))
        return;
    // Charged to this context while it lives; the outbox keeps its own
    // bounds after that.
    GSScriptSoupCharge charge(GetContext());
    SoupHandle copy;
    copy.CopyFrom(soup->GetSoup());
    OfflineOutboxBounds::Append(OfflineOutbox(), copy);
    stack->Push(0);
}

void GSOOnlineAccess::NativeCollectOfflineMessage(GSStack* stack) {
    GSOSoup* soup = nullptr;
    if (!GetParam<GSOSoup>(stack, 1, soup)) return;
    SoupHandle& inbox = OfflineInbox();
    // An inbox without tags has nothing to collect either: the script's
    // soup stays as it is.
    if (inbox.IsEmpty() || inbox.Count() == 0) {
        stack->Push(6);
        return;
    }
    const Vek::PString first = inbox.GetTagName(0);
    soup->SetSoup(inbox.GetContainerAt(0));
    inbox.RemoveTag(first);
    stack->Push(0);
}

void GSOOnlineAccess::NativeCanAccessMultiplayer(GSStack* stack) {
    stack->Push(Endpoint().CanAccessMultiplayer() ? 1u : 0u);
}

void RegisterOnlineAccessNatives() {
    static const MemberNative<GSOOnlineAccess> kNatives[] = {
        {"$void@OnlineAccess::Connect()", &GSOOnlineAccess::NativeConnect},
        {"$int@OnlineAccess::GetStatus()", &GSOOnlineAccess::NativeGetStatus},
        {"$void@OnlineAccess::Disconnect()", &GSOOnlineAccess::NativeDisconnect},
        {"$string@OnlineAccess::GetUsername()", &GSOOnlineAccess::NativeGetUsername},
        {"$int@OnlineAccess::GetLocalData(string,Soup)", &GSOOnlineAccess::NativeGetLocalData},
        {"$int@OnlineAccess::SetLocalData(string,Soup)", &GSOOnlineAccess::NativeSetLocalData},
        {"$int@OnlineAccess::GetProfileData(string,Soup)", &GSOOnlineAccess::NativeGetProfileData},
        {"$int@OnlineAccess::SetProfileData(string,Soup)", &GSOOnlineAccess::NativeSetProfileData},
        {"$int@OnlineAccess::PostMessage(string,Soup)", &GSOOnlineAccess::NativePostMessage},
        {"$int@OnlineAccess::CollectMessage(string,Soup)", &GSOOnlineAccess::NativeCollectMessage},
        {"$OnlineGroup@OnlineAccess::CreateGroup(int)", &GSOOnlineAccess::NativeCreateGroup},
        {"$OnlineGroup@OnlineAccess::OpenGroup(string,int)", &GSOOnlineAccess::NativeOpenGroup},
        {"$int@OnlineAccess::PostOfflineMessage(Soup)", &GSOOnlineAccess::NativePostOfflineMessage},
        {"$int@OnlineAccess::CollectOfflineMessage(Soup)", &GSOOnlineAccess::NativeCollectOfflineMessage},
        {"$bool@OnlineAccess::CanAccessMultiplayer()", &GSOOnlineAccess::NativeCanAccessMultiplayer},
    };
    RegisterMemberNatives("OnlineAccess", kNatives);
    LoadSoupFileRecovering(GSOOnlineAccess::OfflineInbox(), Vek::PString("cache"), "offline-inbox.tbox");
    LoadSoupFileRecovering(GSOOnlineAccess::OfflineOutbox(), Vek::PString("cache"), "offline-outbox.tbox");
    OnlineAccessClientEndpoint::Instance().LoadMessageCache();
}

}  // namespace GSNatives
