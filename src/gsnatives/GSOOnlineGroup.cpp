#include "gsnatives/GSOOnlineGroup.h"

#include "foundation/streams/Stream.h"
#include "gsnatives/GSOOnlineAccess.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/MemberNativeTable.h"
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

constexpr const char* kMajor = "OnlineGroup";

OnlineAccessClientEndpoint& Endpoint() { return GSOOnlineAccess::Endpoint(); }

}  // namespace

GSOOnlineGroup* GSOOnlineGroup::Create(GSOOnlineAccess* owner, const Vek::PString& cookie, int32_t groupType) {
    auto* group = new GSOOnlineGroup(owner, cookie, groupType);
    if (!group->GetReference()) {
        delete group;
        return nullptr;
    }
    return group;
}

GSOOnlineGroup::GSOOnlineGroup(GSOOnlineAccess* owner, const Vek::PString& cookie, int32_t groupType)
    : m_owner(owner), m_cookie(cookie), m_groupType(groupType) {
    if (m_owner) GSScriptInstance::AddRef(m_owner->GetReference());
    Endpoint().AddGroup(this);
    GSContext* context = m_owner ? m_owner->GetContext() : nullptr;
    if (BindClass(GetScriptClass(), context) && context && context->GetRouter()) {
        context->GetRouter()->AddNode(this);
        Activate();
    }
    Connect();
}

GSOOnlineGroup::~GSOOnlineGroup() {
    Endpoint().SendGroupLeave(m_cookie);
    Closed();
    m_received.Clear();
    m_members.clear();
}

GSClass* GSOOnlineGroup::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::OnlineGroup); }

bool GSOOnlineGroup::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::OnlineGroup); }

void GSOOnlineGroup::PostToSelf(const char* major, const char* minor) {
    GSRouter* router = Router();
    if (!router) return;
    GSMessage* message = CreateMessage(major, minor, Id(), 0);
    if (!message) return;
    router->PostMessage(message);
    message->ReleaseReference();
}

void GSOOnlineGroup::SetStatus(int32_t status) {
    if (status == m_status) return;
    m_status = status;
    PostToSelf(kMajor, "StatusChange");
}

void GSOOnlineGroup::Update(float dt) {
    GSGameObject::Update(dt);
    if (m_newMessage) {
        m_newMessage = false;
        PostToSelf(kMajor, "ReceiveMessage");
    }
    Activate();
}

int32_t GSOOnlineGroup::FindMember(const Vek::PString& name) const {
    for (std::size_t i = 0; i < m_members.size(); ++i)
        if (m_members[i].name.EqualsIgnoreCase(name)) return static_cast<int32_t>(i);
    return -1;
}

void GSOOnlineGroup::UpdateMembers(bool reset, TStream& stream) {
    bool changed = false;
    if (reset && !m_members.empty()) {
        m_members.clear();
        changed = true;
    }
    uint8_t low = 0, high = 0;
    stream.ReadByte(low);
    stream.ReadByte(high);
    const int32_t count = low | high << 8;
    for (int32_t i = 0; i < count; ++i) {
        UserNameRecord entry;
        uint8_t status = 0;
        // A list cut short ends here: no member is made up of defaults.
        if (!stream.ReadPString(entry.name) || !stream.ReadByte(status) || !stream.ReadInt32(entry.modeFlags)) break;
        entry.status = status;
        const int32_t found = FindMember(entry.name);
        if (status == kRemovedStatus) {
            if (found < 0) continue;
            m_members.erase(m_members.begin() + found);
            PostToSelf("OnlineGroup.UserRemoved", entry.name.c_str());
        } else if (found >= 0) {
            UserNameRecord& member = m_members[static_cast<std::size_t>(found)];
            if (member.status == entry.status && member.modeFlags == entry.modeFlags) continue;
            member.status = entry.status;
            member.modeFlags = entry.modeFlags;
            PostToSelf("OnlineGroup.UserStatus", entry.name.c_str());
        } else {
            m_members.push_back(entry);
            PostToSelf("OnlineGroup.UserAdded", entry.name.c_str());
        }
        changed = true;
    }
    if (changed) PostToSelf(kMajor, "UsersChange");
}

bool GSOOnlineGroup::MatchesRequest(int32_t requestId) {
    return m_status == kJoining && m_cookie.IsEmpty() && m_pendingRequest == requestId;
}

void GSOOnlineGroup::Joined(const Vek::PString& cookie, TStream& rest) {
    m_cookie = cookie;
    m_pendingRequest = 0;
    SetStatus(kJoined);
    UpdateMembers(true, rest);
}

void GSOOnlineGroup::MembersChanged(TStream& rest) { UpdateMembers(false, rest); }

void GSOOnlineGroup::Closed() {
    SetStatus(kClosed);
    if (!m_owner) return;
    GSOOnlineAccess* owner = m_owner;
    m_owner = nullptr;
    Endpoint().RemoveGroup(this);
    // An owner that is being destroyed has no count left to give back.
    if (!owner->IsEnding()) GSScriptInstance::ReleaseReference(owner->GetReference());
}

void GSOOnlineGroup::ClientRemoved(OnlineAccessClientBase* client) {
    if (m_owner && client == static_cast<OnlineAccessClientBase*>(m_owner)) Closed();
}

void GSOOnlineGroup::DeliverMessage(OnlineGroupMessage* message) {
    m_received.Push(message);
    m_newMessage = true;
}

int32_t GSOOnlineGroup::CollectMessage(Vek::String& name, SoupHandle& soup) {
    if (!m_owner || Endpoint().GetState() != OnlineAccessClientEndpoint::kConnected) return 1;
    if (m_received.Empty()) return 6;
    OnlineGroupMessage* message = m_received.PopFront();
    name = message->userName;
    soup = message->soup;
    delete message;
    return 0;
}

void GSOOnlineGroup::Connect() {
    if (!m_owner || m_status != kNotJoined) return;
    m_status = kJoining;
    if (!m_cookie.IsEmpty())
        Endpoint().SendGroupOpen(m_cookie, m_groupType);
    else
        m_pendingRequest = Endpoint().SendGroupCreate(m_groupType);
}

void GSOOnlineGroup::NativeConnect(GSStack*) { Connect(); }

void GSOOnlineGroup::NativeGetStatus(GSStack* stack) { stack->Push(static_cast<uint32_t>(m_status)); }

void GSOOnlineGroup::NativeDisconnect(GSStack*) {
    if (!m_owner) return;
    Endpoint().SendGroupLeave(m_cookie);
    SetStatus(kNotJoined);
}

void GSOOnlineGroup::NativeGetOnlineGroupCookie(GSStack* stack) {
    // Nothing pushed: the caller receives the null string.
    if (m_status != kJoined) return;
    stack->PushPString(GetContext(), m_cookie);
}

void GSOOnlineGroup::NativeAddUser(GSStack* stack) {
    if (!m_owner) return;
    Vek::PString name;
    if (!GetPStringParam(stack, 1, false, name)) return;
    if (FindMember(name) >= 0) return;
    m_members.push_back(UserNameRecord{name, 0, 0});
    Endpoint().SendGroupUserChange(m_cookie, false, name);
}

void GSOOnlineGroup::NativeRemoveUser(GSStack* stack) {
    if (!m_owner) return;
    Vek::PString name;
    if (!GetPStringParam(stack, 1, false, name)) return;
    const int32_t found = FindMember(name);
    if (found < 0) return;
    m_members.erase(m_members.begin() + found);
    Endpoint().SendGroupUserChange(m_cookie, true, name);
}

void GSOOnlineGroup::NativeCountUsers(GSStack* stack) { stack->Push(static_cast<uint32_t>(m_members.size())); }

void GSOOnlineGroup::NativeGetIndexedUser(GSStack* stack) {
    const int32_t index = static_cast<int32_t>(stack->Local(1));
    if (index < 0 || index >= static_cast<int32_t>(m_members.size())) return;
    stack->PushPString(GetContext(), m_members[static_cast<std::size_t>(index)].name);
}

void GSOOnlineGroup::NativeFindUser(GSStack* stack) {
    Vek::PString name;
    if (!GetPStringParam(stack, 1, true, name)) return;
    stack->Push(static_cast<uint32_t>(FindMember(name)));
}

void GSOOnlineGroup::NativeGetUserStatus(GSStack* stack) {
    const int32_t index = static_cast<int32_t>(stack->Local(1));
    const bool inRange = index >= 0 && index < static_cast<int32_t>(m_members.size());
    stack->Push(inRange ? static_cast<uint32_t>(m_members[static_cast<std::size_t>(index)].status) : 0u);
}

void GSOOnlineGroup::NativePostMessage(GSStack* stack) {
    GSOSoup* soup = nullptr;
    if (!GetParam<GSOSoup>(stack, 1, soup)) return;
    if (!ScriptSoupWithinLimit(soup->GetSoup(), "OnlineGroup.PostMessage")) return;
    stack->Push(static_cast<uint32_t>(PostScriptMessage(soup->GetSoup())));
}

int32_t GSOOnlineGroup::PostScriptMessage(const SoupHandle& soup) {
    if (!m_owner) return OnlineAccessClientEndpoint::kNotConnected;
    if (m_owner->IsPostLimitReached()) return OnlineAccessClientEndpoint::kNotSent;
    const int32_t result = Endpoint().SendGroupMessage(m_owner->clientKUID, m_cookie, soup);
    m_owner->CountPost();
    return result;
}

void GSOOnlineGroup::NativeCollectMessage(GSStack* stack) { CollectMessageNative(*this, stack); }

void GSOOnlineGroup::NativeSetModeFlags(GSStack* stack) {
    if (!m_owner) return;
    Endpoint().SendGroupModeFlags(m_cookie, static_cast<int32_t>(stack->Local(1)),
                                  static_cast<int32_t>(stack->Local(2)));
}

void GSOOnlineGroup::NativeSetUserModeFlags(GSStack* stack) {
    if (!m_owner) return;
    Vek::PString name;
    if (!GetPStringParam(stack, 1, false, name)) return;
    Endpoint().SendGroupUserModeFlags(m_cookie, name, static_cast<int32_t>(stack->Local(2)),
                                      static_cast<int32_t>(stack->Local(3)));
}

void GSOOnlineGroup::NativeGetUserModeFlags(GSStack* stack) {
    if (!m_owner) return;
    Vek::PString name;
    if (!GetPStringParam(stack, 1, false, name)) return;
    const int32_t found = FindMember(name);
    if (found < 0) return;
    stack->Push(static_cast<uint32_t>(m_members[static_cast<std::size_t>(found)].modeFlags));
}

void RegisterOnlineGroupNatives() {
    static const MemberNative<GSOOnlineGroup> kNatives[] = {
        {"$void@OnlineGroup::Connect()", &GSOOnlineGroup::NativeConnect},
        {"$int@OnlineGroup::GetStatus()", &GSOOnlineGroup::NativeGetStatus},
        {"$void@OnlineGroup::Disconnect()", &GSOOnlineGroup::NativeDisconnect},
        {"$string@OnlineGroup::GetOnlineGroupCookie()", &GSOOnlineGroup::NativeGetOnlineGroupCookie},
        {"$void@OnlineGroup::AddUser(string)", &GSOOnlineGroup::NativeAddUser},
        {"$void@OnlineGroup::RemoveUser(string)", &GSOOnlineGroup::NativeRemoveUser},
        {"$int@OnlineGroup::CountUsers()", &GSOOnlineGroup::NativeCountUsers},
        {"$string@OnlineGroup::GetIndexedUser(int)", &GSOOnlineGroup::NativeGetIndexedUser},
        {"$int@OnlineGroup::FindUser(string)", &GSOOnlineGroup::NativeFindUser},
        {"$int@OnlineGroup::GetUserStatus(int)", &GSOOnlineGroup::NativeGetUserStatus},
        {"$int@OnlineGroup::PostMessage(Soup)", &GSOOnlineGroup::NativePostMessage},
        {"$int@OnlineGroup::CollectMessage(string,Soup)", &GSOOnlineGroup::NativeCollectMessage},
        {"$void@OnlineGroup::SetModeFlags(int,int)", &GSOOnlineGroup::NativeSetModeFlags},
        {"$void@OnlineGroup::SetUserModeFlags(string,int,int)", &GSOOnlineGroup::NativeSetUserModeFlags},
        {"$int@OnlineGroup::GetUserModeFlags(string)", &GSOOnlineGroup::NativeGetUserModeFlags},
    };
    RegisterMemberNatives("OnlineGroup", kNatives);
}

}  // namespace GSNatives
