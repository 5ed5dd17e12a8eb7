#pragma once
// GSOOnlineGroup: the native game object behind the script class
// OnlineGroup, a named set of users kept by the messaging server. Made by
// OnlineAccess::CreateGroup (the server names it) or OpenGroup (by its
// cookie), it joins through the online endpoint, mirrors the member list,
// changes members and their mode flags, and exchanges group messages.
// Changes reach the script as messages the group posts to itself:
// "OnlineGroup", "StatusChange" / "UsersChange" / "ReceiveMessage", and
// "OnlineGroup.UserAdded" / "OnlineGroup.UserStatus" /
// "OnlineGroup.UserRemoved" with the user name as minor.
//
// While it has an owner (the access object that made it) the owner's
// instance carries one more count; a group closed by the server, or whose
// owner left the endpoint, drops the owner and refuses further requests.
//
// Member list form (after the cookie in the group packets): uint16 count,
// then per entry PString user name, uint8 status (255: removed), int32
// mode flags. A list cut short ends at the last whole entry.
#include <cstdint>
#include <vector>

#include "engine/PString.h"
#include "gsnatives/OnlineMessageList.h"
#include "gsnatives/ReceivedMessageList.h"
#include "gsruntime/router/GSGameObject.h"
#include "online/OnlineMessages.h"

class TStream;

namespace GSRuntime {
class GSClass;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOOnlineAccess;

class GSOOnlineGroup : public GSRuntime::GSGameObject,
                       public OnlineGroupClient,
                       public OnlineAccessMessageListInterface {
public:
    enum Status : int32_t { kNotJoined = 0, kJoining = 1, kJoined = 2, kClosed = 3 };
    static constexpr uint8_t kRemovedStatus = 255;

    struct UserNameRecord {
        Vek::PString name;
        int32_t status = 0;
        int32_t modeFlags = 0;
    };

    // A new group of `owner`, bound and connecting (see Connect); null when
    // the class OnlineGroup is not bound. The caller has its creation count.
    static GSOOnlineGroup* Create(GSOOnlineAccess* owner, const Vek::PString& cookie, int32_t groupType);

    GSOOnlineGroup(GSOOnlineAccess* owner, const Vek::PString& cookie, int32_t groupType);
    // Leaves the group on the server and closes.
    ~GSOOnlineGroup() override;

    void Update(float dt) override;

    // ---- OnlineGroupClient ----
    bool MatchesRequest(int32_t requestId) override;
    void Joined(const Vek::PString& cookie, TStream& rest) override;
    void MembersChanged(TStream& rest) override;
    void Closed() override;
    void ClientRemoved(OnlineAccessClientBase* client) override;
    bool MatchesCookie(const Vek::PString& cookie) override { return m_cookie == cookie; }
    void DeliverMessage(OnlineGroupMessage* message) override;

    // ---- OnlineAccessMessageListInterface ----
    int32_t CollectMessage(Vek::String& name, SoupHandle& soup) override;
    bool HasMessages() const override { return !m_received.Empty(); }

    // A new status posts "StatusChange".
    void SetStatus(int32_t status);
    // Applies a member list (with `reset`, the old list goes first) and
    // posts the changes.
    void UpdateMembers(bool reset, TStream& stream);

    // What PostMessage does once its soup is fetched: 1 without owner, 4
    // above the owner's post limit, else the send result (the post counts).
    int32_t PostScriptMessage(const SoupHandle& soup);

    int32_t GetStatus() const { return m_status; }
    GSOOnlineAccess* GetOwner() const { return m_owner; }
    const Vek::PString& GetCookie() const { return m_cookie; }
    const std::vector<UserNameRecord>& Members() const { return m_members; }
    int32_t GetPendingRequest() const { return m_pendingRequest; }

    // ---- the natives of OnlineGroup (arguments from local slot 1) ----
    void NativeConnect(GSRuntime::GSStack* stack);
    void NativeGetStatus(GSRuntime::GSStack* stack);
    void NativeDisconnect(GSRuntime::GSStack* stack);
    void NativeGetOnlineGroupCookie(GSRuntime::GSStack* stack);
    void NativeAddUser(GSRuntime::GSStack* stack);
    void NativeRemoveUser(GSRuntime::GSStack* stack);
    void NativeCountUsers(GSRuntime::GSStack* stack);
    void NativeGetIndexedUser(GSRuntime::GSStack* stack);
    void NativeFindUser(GSRuntime::GSStack* stack);
    void NativeGetUserStatus(GSRuntime::GSStack* stack);
    void NativePostMessage(GSRuntime::GSStack* stack);
    void NativeCollectMessage(GSRuntime::GSStack* stack);
    void NativeSetModeFlags(GSRuntime::GSStack* stack);
    void NativeSetUserModeFlags(GSRuntime::GSStack* stack);
    void NativeGetUserModeFlags(GSRuntime::GSStack* stack);

    static GSRuntime::GSClass* GetScriptClass();
    static bool ResolveScriptClass();

private:
    // Index of the member of that name (letter case ignored), or -1.
    int32_t FindMember(const Vek::PString& name) const;
    void PostToSelf(const char* major, const char* minor);
    void Connect();

    int32_t m_status = kNotJoined;
    GSOOnlineAccess* m_owner = nullptr;
    Vek::PString m_cookie;
    std::vector<UserNameRecord> m_members;
    ReceivedMessageList<OnlineGroupMessage> m_received{"OnlineGroup"};
    bool m_newMessage = false;
    int32_t m_groupType = 0;
    int32_t m_pendingRequest = 0;
};

// Registers the 15 natives of OnlineGroup.
void RegisterOnlineGroupNatives();

}  // namespace GSNatives
