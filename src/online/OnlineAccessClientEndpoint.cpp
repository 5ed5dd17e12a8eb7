#include "online/OnlineAccessClientEndpoint.h"

#include <algorithm>

#include "engine/File.h"

#include "foundation/callbacks/ApplicationValues.h"
#include "foundation/callbacks/ProgramTime.h"
#include "foundation/files/ReplacementFile.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"
#include "online/OnlineAccountService.h"
#include "online/TMEPacket.h"

namespace {

constexpr int32_t kCacheVersion = 1;

// Senders that need multiplayer access to send anything.
bool IsRestrictedSender(const KUID& sender) {
    return (sender.GetUserID() == 30501 && sender.GetContentID() == 1020) ||
           (sender.GetUserID() == 447264 && sender.GetContentID() == 1046);
}

TMEPacket* NewPacket(uint8_t type) {
    auto* packet = new TMEPacket();
    packet->WriteByte(type);
    return packet;
}

// A group cookie from a packet. One cut short is only the front of some
// other group's cookie, so it reads as none.
Vek::PString ReadCookie(TStream& stream) {
    Vek::PString cookie;
    if (!stream.ReadPString(cookie)) return Vek::PString();
    return cookie;
}

// A stored message as the cache holds it: every message as a versioned one.
void WriteCacheRecord(TStream& stream, const OnlineMessage& message) {
    if (const auto* versioned = dynamic_cast<const OnlineVersionedMessage*>(&message)) {
        versioned->Write(stream);
        return;
    }
    OnlineVersionedMessage plain;
    plain.sender = message.sender;
    plain.name = message.name;
    plain.soup = message.soup;
    plain.Write(stream);
}

std::size_t CacheRecordSize(const OnlineMessage& message) {
    TBuffer record;
    WriteCacheRecord(record, message);
    return static_cast<std::size_t>(record.GetDataSize());
}

bool SameClient(const KUID& a, const KUID& b) {
    return a.GetUserID() == b.GetUserID() && a.GetContentID() == b.GetContentID();
}

}  // namespace

OnlineAccessClientEndpoint::OnlineAccessClientEndpoint(OnlineAccountService& account)
    : m_account(account), m_lastUpdateTime(GetProgramTime()) {}

OnlineAccessClientEndpoint::~OnlineAccessClientEndpoint() {
    Reset();
    DeleteStoredMessages();
    m_clients.clear();
    m_groups.clear();
    m_socket.Close();
    DatagramSocket::Unregister(&m_peer);
}

namespace {
OnlineAccessClientEndpoint* g_instanceInUse = nullptr;
}

OnlineAccessClientEndpoint& OnlineAccessClientEndpoint::Instance() {
    if (g_instanceInUse) return *g_instanceInUse;
    static OnlineAccessClientEndpoint endpoint(DaemonOnlineAccountService());
    return endpoint;
}

void OnlineAccessClientEndpoint::UseInstance(OnlineAccessClientEndpoint* endpoint) { g_instanceInUse = endpoint; }

void OnlineAccessClientEndpoint::DropSignIn() {
    // Cleared before anything else can reach it: the request is deleted once.
    OnlineSignInRequest* request = m_signIn;
    m_signIn = nullptr;
    delete request;
}

void OnlineAccessClientEndpoint::Reset() {
    DropSignIn();
    TMEEndpoint::Disconnect();
    DatagramSocket::Unregister(&m_peer);
    m_hourBucket = 0.0;
    m_minuteBucket = 0.0;
    m_multiplayerAccess = false;
    m_state = kIdle;
}

void OnlineAccessClientEndpoint::OnDisconnected() {
    if (m_state == kConnecting || m_state == kConnected) m_state = kConnectionLost;
}

bool OnlineAccessClientEndpoint::Connect(bool force) {
    if (!force && (m_state == kConnecting || m_state == kConnected)) return false;
    const Vek::String profile = m_account.GetProfileName();
    if (profile.Length() == 0) {
        LogPrintf("OnlineAccessClientEndpoint::Connect> empty profile name");
        m_state = kNoProfile;
        return false;
    }
    Reset();
    m_state = kConnecting;
    const Vek::String token = m_account.GetAuthenticationToken();
    if (token.Length() == 0) {
        LogPrintf("OnlineAccessClientEndpoint::Connect> not yet authenticated with planet kelmo");
        m_signIn = m_account.StartSignIn();
        if (!m_signIn) m_state = kCannotSignIn;
        return false;
    }
    m_socket.Open();
    SetMode(kModeFragmenting);
    m_socket.AttachPeer(&m_peer, m_account.ServerHost().c_str(), m_account.ServerPort());
    Attach(&m_peer);
    m_state = kConnecting;
    SetServerKey(Vek::String());
    TMEPacket* login = NewPacket(kLogin);
    login->WriteString(profile);
    login->WriteString(GetApplicationName().c_str());
    login->WriteFloat(GetApplicationVersion());
    login->WriteInt32(GetApplicationBuild());
    login->WriteByte(GetApplicationFlag());
    login->WriteString(GetSessionKey());
    login->WriteByte(4);
    Queue(login);
    return true;
}

void OnlineAccessClientEndpoint::Queue(TMEPacket* packet) {
    if (!QueuePacket(packet)) delete packet;
}

void OnlineAccessClientEndpoint::Update() {
    const double now = GetProgramTime();
    const float dt = static_cast<float>(now - m_lastUpdateTime);
    m_lastUpdateTime = now;
    m_hourBucket = std::max(0.0, m_hourBucket - static_cast<float>(dt / 3600.0f) * m_hourLimit);
    m_minuteBucket = std::max(0.0, m_minuteBucket - static_cast<float>(dt / 60.0f) * m_minuteLimit);
    m_retryTimer = std::max(0.0, m_retryTimer - dt);

    m_socket.Poll();
    TMEEndpoint::Update();

    if (m_signIn && m_signIn->IsComplete()) {
        const int32_t result = m_signIn->ResultCode();
        DropSignIn();
        if (result == 0 && m_retryTimer == 0.0) {
            if (m_state == kConnecting && !Connect(true)) m_retryTimer = kSignInRetryDelay;
        } else {
            if (m_state == kConnecting) Reset();
            if (result == 3) m_state = kRefused;
        }
    }
    if ((m_state == kConnecting || m_state == kConnected) && !m_signIn && !HasPeer()) OnDisconnected();
}

void OnlineAccessClientEndpoint::LoginRefused() {
    m_state = kRefused;
    m_account.NotifyLoginRefused();
}

OnlineGroupClient* OnlineAccessClientEndpoint::GroupByCookie(const Vek::PString& cookie) {
    // No cookie names no group: a group waiting for its create answer has
    // none yet, and a packet without one is not for it.
    if (cookie.IsEmpty()) return nullptr;
    for (OnlineGroupClient* group : m_groups)
        if (group->MatchesCookie(cookie)) return group;
    return nullptr;
}

void OnlineAccessClientEndpoint::HandlePacket(TMEPacket* packet) {
    uint8_t type = 0;
    if (!packet->ReadByte(type)) return;
    switch (type) {
    case kKey: {
        Vek::String error, key;
        packet->ReadString(error);
        // A key cut short would scramble the token with the wrong bytes.
        if (!packet->ReadString(key)) key = Vek::String();
        if (error.Length() != 0) {
            m_state = kRefused;
        } else if (!SetServerKey(key)) {
            m_state = kCannotSignIn;
        } else {
            // Scrambled on queueing: the key is set already.
            TMEPacket* answer = NewPacket(kToken);
            answer->WriteString(m_account.GetAuthenticationToken());
            Queue(answer);
        }
        break;
    }
    case kLoginResult: {
        Vek::String error;
        int32_t unusedNumber = 0;
        float unusedValue = 0.0f;
        packet->ReadString(error);
        packet->ReadInt32(unusedNumber);
        packet->ReadFloat(unusedValue);
        if (error.Length() != 0)
            LoginRefused();
        else
            m_state = kConnected;
        break;
    }
    case kLoginLimits: {
        Vek::String error;
        uint8_t multiplayer = 0;
        uint32_t minute = 0, unused = 0, hour = 0;
        packet->ReadString(error);
        packet->ReadByte(multiplayer);
        const bool haveMinute = packet->ReadUInt32(minute);
        packet->ReadUInt32(unused);
        const bool haveHour = packet->ReadUInt32(hour);
        if (error.Length() != 0) {
            LoginRefused();
            break;
        }
        m_multiplayerAccess = multiplayer != 0;
        // A limit missing from a packet cut short keeps its value: read as
        // 0 it would hold back every message after the first for good.
        if (haveMinute) m_minuteLimit = static_cast<double>(minute);
        if (haveHour) m_hourLimit = static_cast<double>(hour);
        LogPrintf("OnlineAccessClientEndpoint::HandlePacket> Flood limits set by server (%f,%f)", m_hourLimit,
                  m_minuteLimit);
        m_state = kConnected;
        break;
    }
    case kMessage: {
        auto* message = new OnlineMessage();
        message->Read(*packet);
        DeliverMessage(message);
        break;
    }
    case kVersionedMessage: {
        auto* message = new OnlineVersionedMessage();
        message->Read(*packet);
        DeliverMessage(message);
        break;
    }
    case kGroupJoined:
    case kGroupUsers: {
        const Vek::PString cookie = ReadCookie(*packet);
        OnlineGroupClient* group = GroupByCookie(cookie);
        if (!group)
            SendGroupLeave(cookie);
        else if (type == kGroupJoined)
            group->Joined(cookie, *packet);
        else
            group->MembersChanged(*packet);
        break;
    }
    case kGroupLeave: {
        const Vek::PString cookie = ReadCookie(*packet);
        if (OnlineGroupClient* group = GroupByCookie(cookie)) group->Closed();
        break;
    }
    case kGroupMessage: {
        auto* record = new OnlineGroupMessage();
        record->Read(*packet);
        if (OnlineGroupClient* group = GroupByCookie(record->cookie)) {
            group->DeliverMessage(record);
        } else {
            SendGroupLeave(record->cookie);
            delete record;
        }
        break;
    }
    case kGroupCreate: {
        int32_t requestId = 0;
        packet->ReadInt32(requestId);
        const Vek::PString cookie = ReadCookie(*packet);
        OnlineGroupClient* found = nullptr;
        for (OnlineGroupClient* group : m_groups)
            if (group->MatchesRequest(requestId)) {
                found = group;
                break;
            }
        if (found)
            found->Joined(cookie, *packet);
        else
            SendGroupLeave(cookie);
        break;
    }
    default:
        break;
    }
}

void OnlineAccessClientEndpoint::DeliverMessage(OnlineMessage* message) {
    for (OnlineAccessClientBase* client : m_clients) {
        if (client->clientKUID == message->sender) {
            client->DeliverMessage(message);
            return;
        }
    }
    LogPrintf("OnlineAccessClientEndpoint::HandlePacket> Storing iVorlex message for %s",
              message->sender.ToTagString().c_str());
    StoreMessage(message);
}

void OnlineAccessClientEndpoint::StoreMessage(OnlineMessage* message) {
    const std::size_t size = CacheRecordSize(*message);
    if (size > kMaxStoredBytes) {
        LogPrintf("OnlineAccessClientEndpoint::StoreMessage> message for %s too large to store (%zu bytes)",
                  message->sender.ToTagString().c_str(), size);
        delete message;
        return;
    }
    // The stores stay within their bounds, so these scans are bounded too.
    std::size_t sameClient = 0;
    for (const OnlineMessage* stored : m_storedMessages)
        if (SameClient(stored->sender, message->sender)) ++sameClient;
    if (sameClient >= kMaxStoredPerClient) {
        for (std::size_t i = 0; i < m_storedMessages.size(); ++i)
            if (SameClient(m_storedMessages[i]->sender, message->sender)) {
                DropStoredMessage(i);
                break;
            }
    }
    while (!m_storedMessages.empty() &&
           (m_storedMessages.size() >= kMaxStoredMessages || m_storedBytes + size > kMaxStoredBytes))
        DropStoredMessage(0);
    m_storedMessages.push_back(message);
    m_storedSizes.push_back(size);
    m_storedBytes += size;
}

void OnlineAccessClientEndpoint::DropStoredMessage(std::size_t index) {
    LogPrintf("OnlineAccessClientEndpoint::StoreMessage> store full, dropping the oldest message for %s",
              m_storedMessages[index]->sender.ToTagString().c_str());
    delete m_storedMessages[index];
    m_storedBytes -= m_storedSizes[index];
    m_storedMessages.erase(m_storedMessages.begin() + static_cast<std::ptrdiff_t>(index));
    m_storedSizes.erase(m_storedSizes.begin() + static_cast<std::ptrdiff_t>(index));
}

void OnlineAccessClientEndpoint::AddClient(OnlineAccessClientBase* client) {
    if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end()) m_clients.push_back(client);
    std::size_t i = 0;
    while (i < m_storedMessages.size()) {
        OnlineMessage* message = m_storedMessages[i];
        if (SameClient(message->sender, client->clientKUID)) {
            LogPrintf("OnlineAccessClientEndpoint::AddClient> replaying stored message for %s",
                      message->sender.ToTagString().c_str());
            m_storedBytes -= m_storedSizes[i];
            m_storedMessages.erase(m_storedMessages.begin() + static_cast<std::ptrdiff_t>(i));
            m_storedSizes.erase(m_storedSizes.begin() + static_cast<std::ptrdiff_t>(i));
            client->DeliverMessage(message);
        } else {
            ++i;
        }
    }
}

void OnlineAccessClientEndpoint::RemoveClient(OnlineAccessClientBase* client) {
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
    for (std::size_t i = m_groups.size(); i-- > 0;) {
        if (i < m_groups.size()) m_groups[i]->ClientRemoved(client);
    }
}

void OnlineAccessClientEndpoint::AddGroup(OnlineGroupClient* group) {
    if (std::find(m_groups.begin(), m_groups.end(), group) == m_groups.end()) m_groups.push_back(group);
}

void OnlineAccessClientEndpoint::RemoveGroup(OnlineGroupClient* group) {
    m_groups.erase(std::remove(m_groups.begin(), m_groups.end(), group), m_groups.end());
}

int32_t OnlineAccessClientEndpoint::SendCounted(TMEPacket* packet, const char* nameForLog) {
    const double size = packet->PayloadLength();
    if (m_hourBucket <= m_hourLimit && m_minuteBucket <= m_minuteLimit) {
        if (!QueuePacket(packet)) {
            delete packet;
            return kNotSent;
        }
        m_hourBucket += size;
        m_minuteBucket += size;
        return kSent;
    }
    LogPrintf("%s", nameForLog);
    delete packet;
    return kNotSent;
}

int32_t OnlineAccessClientEndpoint::SendVersionedMessage(const KUID& sender, const Vek::String& name,
                                                         const SoupHandle& soup, bool flag) {
    if (m_state != kConnected) return kNotConnected;
    if (!m_multiplayerAccess && IsRestrictedSender(sender)) return kSenderRefused;
    OnlineVersionedMessage message;
    message.sender = sender;
    message.name = name;
    message.soup = soup;
    message.version = 1;
    message.flag = flag;
    TMEPacket* packet = NewPacket(kVersionedMessage);
    message.Write(*packet);
    return SendCounted(packet, name.c_str());
}

int32_t OnlineAccessClientEndpoint::SendGroupMessage(const KUID& sender, const Vek::PString& cookie,
                                                     const SoupHandle& soup) {
    if (m_state != kConnected) return kNotConnected;
    if (!m_multiplayerAccess && IsRestrictedSender(sender)) return kSenderRefused;
    OnlineGroupMessage record;
    record.sender = sender;
    record.cookie = cookie;
    record.soup = soup;
    TMEPacket* packet = NewPacket(kGroupMessage);
    record.Write(*packet);
    return SendCounted(packet, cookie.c_str());
}

void OnlineAccessClientEndpoint::SendGroupLeave(const Vek::PString& cookie) {
    if (cookie.IsEmpty()) return;
    TMEPacket* packet = NewPacket(kGroupLeave);
    packet->WritePString(cookie);
    Queue(packet);
}

void OnlineAccessClientEndpoint::SendGroupUserChange(const Vek::PString& cookie, bool remove,
                                                     const Vek::PString& userName) {
    TMEPacket* packet = NewPacket(kGroupUsers);
    packet->WritePString(cookie);
    packet->WriteByte(remove ? 255 : 0);
    packet->WritePString(userName);
    Queue(packet);
}

void OnlineAccessClientEndpoint::SendGroupModeFlags(const Vek::PString& cookie, int32_t set, int32_t clear) {
    TMEPacket* packet = NewPacket(kGroupModeFlags);
    packet->WritePString(cookie);
    packet->WriteInt32(set);
    packet->WriteInt32(clear);
    Queue(packet);
}

void OnlineAccessClientEndpoint::SendGroupUserModeFlags(const Vek::PString& cookie, const Vek::PString& userName,
                                                        int32_t set, int32_t clear) {
    TMEPacket* packet = NewPacket(kGroupUserModeFlags);
    packet->WritePString(cookie);
    packet->WritePString(userName);
    packet->WriteInt32(set);
    packet->WriteInt32(clear);
    Queue(packet);
}

void OnlineAccessClientEndpoint::SendGroupOpen(const Vek::PString& cookie, int32_t groupType) {
    TMEPacket* packet = NewPacket(kGroupOpen);
    packet->WritePString(cookie);
    packet->WriteInt32(groupType);
    Queue(packet);
}

int32_t OnlineAccessClientEndpoint::SendGroupCreate(int32_t groupType) {
    const int32_t requestId = ++m_groupRequestCounter;
    TMEPacket* packet = NewPacket(kGroupCreate);
    packet->WriteInt32(requestId);
    packet->WriteInt32(groupType);
    Queue(packet);
    return requestId;
}

void OnlineAccessClientEndpoint::DeleteStoredMessages() {
    for (OnlineMessage* message : m_storedMessages) delete message;
    m_storedMessages.clear();
    m_storedSizes.clear();
    m_storedBytes = 0;
}

void OnlineAccessClientEndpoint::SaveStoredMessages(TStream& stream) const {
    stream.WriteInt32(kCacheVersion);
    stream.WriteInt32(static_cast<int32_t>(m_storedMessages.size()));
    for (const OnlineMessage* message : m_storedMessages) WriteCacheRecord(stream, *message);
}

void OnlineAccessClientEndpoint::LoadStoredMessages(TStream& stream) {
    int32_t version = 0;
    if (!stream.ReadInt32(version) || version != kCacheVersion) return;
    int32_t count = 0;
    stream.ReadInt32(count);
    DeleteStoredMessages();
    // Each record takes bytes of its own, so a count larger than the file
    // holds ends at the first record cut short instead of making empty ones.
    // The store's bounds hold as it fills: a cache of an older, unbounded
    // store keeps its newest messages.
    for (int32_t i = 0; i < count; ++i) {
        auto* message = new OnlineVersionedMessage();
        if (!message->Read(stream)) {
            delete message;
            break;
        }
        StoreMessage(message);
    }
}

bool OnlineAccessClientEndpoint::SaveMessageCache() const {
    TBuffer body;
    SaveStoredMessages(body);
    const std::string path = std::string(kCacheRoot) + "/" + kCacheFile;
    Vek::File::Prune(path.c_str());
    const std::string target = Vek::File::ResolveOsPath(Vek::PString(kCacheRoot), kCacheFile);
    if (target.empty()) return false;
    ReplacementFile file(target.c_str());
    if (!file.Open() || !file.Write(body.GetData(), static_cast<std::size_t>(body.GetDataSize())) || !file.Commit()) {
        LogPrintf("OnlineAccessClientEndpoint::SaveMessageCache> cannot write %s: %s", kCacheFile,
                  file.Error().c_str());
        return false;
    }
    return true;
}

void OnlineAccessClientEndpoint::LoadMessageCache() {
    TFile file;
    if (!file.OpenInRoot(Vek::PString(kCacheRoot), kCacheFile, 16)) return;
    LoadStoredMessages(file);
}
