#pragma once
// OnlineAccessClientEndpoint: the one client of the online messaging
// service. A fragmenting reliable-datagram endpoint over its own UDP socket
// that signs in with the user's online profile and authentication token,
// then carries direct messages between script-side clients, group traffic
// for script-side groups, and the server's flood limits. Messages for a
// client that is not there are stored, replayed when it registers, and
// kept across runs in the message cache ("cache/oa_messages.dat").
//
// Driven on the main thread by the script objects' updates.
//
// Packets (the first payload byte is the type):
//   to the server    31 login, 2 token, 11 message, 22 group leave,
//                    23 group user change, 24 group message, 25 group mode
//                    flags, 26 group user mode flags, 28 group open,
//                    29 group create
//   from the server  1 key (or error), 3 and 4 signed in (or error; 4 with
//                    the flood limits), 10 and 11 messages, 21 joined,
//                    22 closed, 23 members changed, 24 group message,
//                    29 created
//
// Message cache body: int32 version 1, int32 count, then that many
// versioned messages, oldest first.
//
// The stored messages are bounded: at most kMaxStoredPerClient for one
// client (one user and content id, any version), kMaxStoredMessages in all,
// and kMaxStoredBytes of cache records in all; storing past a bound drops
// the oldest stored message first (of that client for the per-client
// bound). A cache read applies the same bounds as it reads. The server
// decides how many messages arrive for clients that are not there, and the
// whole store is written to the cache at every disconnection.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "online/DatagramPeer.h"
#include "online/DatagramSocket.h"
#include "online/OnlineMessages.h"
#include "online/TMEEndpoint.h"

class OnlineAccountService;
class OnlineSignInRequest;
class TStream;

class OnlineAccessClientEndpoint : public TMEEndpoint {
public:
    enum State : int32_t {
        kNoProfile = 0,
        kIdle = 1,
        kCannotSignIn = 2,
        kRefused = 3,
        kConnectionLost = 5,
        kConnecting = 6,
        kConnected = 7,
    };
    // Results of the message senders.
    enum SendResult : int32_t { kSent = 0, kNotConnected = 1, kSenderRefused = 3, kNotSent = 4 };

    static constexpr double kDefaultMinuteLimit = 300000.0;
    static constexpr double kDefaultHourLimit = 10800000.0;
    static constexpr double kSignInRetryDelay = 10.0;
    static constexpr const char* kCacheRoot = "cache";
    static constexpr const char* kCacheFile = "oa_messages.dat";
    static constexpr std::size_t kMaxStoredPerClient = 64;
    static constexpr std::size_t kMaxStoredMessages = 1024;
    static constexpr std::size_t kMaxStoredBytes = std::size_t(4) << 20;

    explicit OnlineAccessClientEndpoint(OnlineAccountService& account);
    ~OnlineAccessClientEndpoint() override;

    // The process's endpoint, on the daemon's account service, unless
    // another one was put in its place (UseInstance; null restores it).
    static OnlineAccessClientEndpoint& Instance();
    static void UseInstance(OnlineAccessClientEndpoint* endpoint);

    void Update() override;
    void HandlePacket(TMEPacket* packet) override;
    void OnDisconnected() override;

    // Starts signing in. Without `force`, does nothing while connecting or
    // connected. True when the login went out.
    bool Connect(bool force);
    // Drops the sign-in request and the link; buckets, multiplayer access
    // and state back to their starting values.
    void Reset();

    void AddClient(OnlineAccessClientBase* client);
    void RemoveClient(OnlineAccessClientBase* client);
    bool HasClients() const { return !m_clients.empty(); }
    void AddGroup(OnlineGroupClient* group);
    void RemoveGroup(OnlineGroupClient* group);

    int32_t SendVersionedMessage(const KUID& sender, const Vek::String& name, const SoupHandle& soup, bool flag);
    int32_t SendGroupMessage(const KUID& sender, const Vek::PString& cookie, const SoupHandle& soup);
    void SendGroupLeave(const Vek::PString& cookie);
    void SendGroupUserChange(const Vek::PString& cookie, bool remove, const Vek::PString& userName);
    void SendGroupModeFlags(const Vek::PString& cookie, int32_t set, int32_t clear);
    void SendGroupUserModeFlags(const Vek::PString& cookie, const Vek::PString& userName, int32_t set, int32_t clear);
    void SendGroupOpen(const Vek::PString& cookie, int32_t groupType);
    // Returns the request id (the first is 1).
    int32_t SendGroupCreate(int32_t groupType);

    void SaveStoredMessages(TStream& stream) const;
    // Replaces the stored messages by those of a cache body of version 1.
    // Stops at the first record cut short; a count larger than what the
    // bytes hold reads only what is whole.
    void LoadStoredMessages(TStream& stream);
    // The cache file in the "cache" root. Saving writes a new file beside
    // the old one and renames it into place, so a failed write keeps the
    // messages stored before. False when the file could not be written.
    bool SaveMessageCache() const;
    void LoadMessageCache();

    int32_t GetState() const { return m_state; }
    bool CanAccessMultiplayer() const { return m_multiplayerAccess; }
    double MinuteLimit() const { return m_minuteLimit; }
    double HourLimit() const { return m_hourLimit; }
    double MinuteBucket() const { return m_minuteBucket; }
    double HourBucket() const { return m_hourBucket; }
    const std::vector<OnlineMessage*>& StoredMessages() const { return m_storedMessages; }
    // The cache records' bytes of the stored messages.
    std::size_t StoredBytes() const { return m_storedBytes; }
    DatagramSocket& Socket() { return m_socket; }
    bool SignInPending() const { return m_signIn != nullptr; }

private:
    enum PacketType : uint8_t {
        kLogin = 31,
        kToken = 2,
        kKey = 1,
        kLoginResult = 3,
        kLoginLimits = 4,
        kMessage = 10,
        kVersionedMessage = 11,
        kGroupJoined = 21,
        kGroupLeave = 22,
        kGroupUsers = 23,
        kGroupMessage = 24,
        kGroupModeFlags = 25,
        kGroupUserModeFlags = 26,
        kGroupOpen = 28,
        kGroupCreate = 29,
    };

    void DeliverMessage(OnlineMessage* message);
    // Takes the message into the store, dropping the oldest ones past the
    // bounds; a message larger than the byte bound on its own is dropped.
    void StoreMessage(OnlineMessage* message);
    void DropStoredMessage(std::size_t index);
    void LoginRefused();
    int32_t SendCounted(TMEPacket* packet, const char* nameForLog);
    void Queue(TMEPacket* packet);
    OnlineGroupClient* GroupByCookie(const Vek::PString& cookie);
    void DeleteStoredMessages();
    void DropSignIn();

    OnlineAccountService& m_account;
    std::vector<OnlineGroupClient*> m_groups;
    double m_minuteLimit = kDefaultMinuteLimit;
    double m_hourLimit = kDefaultHourLimit;
    double m_retryTimer = 0.0;
    int32_t m_state = kIdle;
    bool m_multiplayerAccess = false;
    DatagramPeer m_peer;
    DatagramSocket m_socket;
    double m_lastUpdateTime = 0.0;
    double m_hourBucket = 0.0;
    double m_minuteBucket = 0.0;
    OnlineSignInRequest* m_signIn = nullptr;
    int32_t m_groupRequestCounter = 0;
    std::vector<OnlineMessage*> m_storedMessages;
    std::vector<std::size_t> m_storedSizes;  // each stored message's cache record bytes
    std::size_t m_storedBytes = 0;
    std::vector<OnlineAccessClientBase*> m_clients;
};
