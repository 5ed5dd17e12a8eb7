#pragma once
// TMEEndpoint: an ordered, acknowledged, optionally fragmented and scrambled
// packet stream with one remote end, over a DatagramPeer.
//
// Sequenced packets (sequence 1..255, then 1 again; a is after b when
// int8(a - b) > 0) reach HandlePacket exactly once and in sending order.
// Unsequenced control packets carry keep-alives (empty) and the close
// notice (one byte). Every datagram carries the sender's last in-order
// sequence as a cumulative acknowledgement.
//
// Wire forms: a plain datagram is [sequence][ack][payload]; in fragmenting
// mode a sequenced packet goes out as at most 127 datagrams of
// [sequence][ack][index | 0x80 on the last][piece of at most 1197 bytes].
//
// Timers run on the program time (GetProgramTime) and are checked only in
// Update, which the owner calls regularly: one resend per call at 2, 4, 16,
// 32 and 64 s after the previous send, the end of the link after the fifth
// unanswered send; an owed acknowledgement goes out 1 s after it became
// owed, a keep-alive after 30 s without a send; 300 s without hearing from
// the peer ends the link.
//
// Single-threaded: everything runs on the thread that drives the owner and
// polls the socket.
#include <cstdint>
#include <map>
#include <vector>

#include "engine/AnsiString.h"

class DatagramPeer;
class FragmentSet;
class TMEPacket;

class TMEEndpoint {
public:
    enum Mode : int32_t { kModePlain = 0, kModeFragmenting = 1 };

    static constexpr int kMaxFragmentPayload = 1197;
    static constexpr int kMaxFragments = 127;
    static constexpr int32_t kMaxPacketPayload = 65536;
    static constexpr std::size_t kMaxHeld = 128;
    static constexpr std::size_t kMaxPending = 1000;
    static constexpr std::size_t kMaxUnacknowledged = 60;
    static constexpr int kMaxSends = 5;
    static constexpr double kAckDelay = 1.0;
    static constexpr double kKeepAliveInterval = 30.0;
    static constexpr double kSilenceLimit = 300.0;

    TMEEndpoint();
    virtual ~TMEEndpoint();
    TMEEndpoint(const TMEEndpoint&) = delete;
    TMEEndpoint& operator=(const TMEEndpoint&) = delete;

    // Timers, one resend, flushing, acknowledgements and keep-alives.
    virtual void Update();
    // Each delivered sequenced packet, unscrambled and positioned at its
    // start; the endpoint deletes it afterwards.
    virtual void HandlePacket(TMEPacket* packet) = 0;
    // Called at the end of every Disconnect.
    virtual void OnDisconnected() {}
    // Called when a packet with a non-zero token is acknowledged.
    virtual void OnPacketAcknowledged(int32_t /*token*/) {}

    // Starts a connection with `peer` (disconnecting first): fresh
    // sequences, timers and keys; the peer's callback feeds this endpoint.
    void Attach(DatagramPeer* peer);
    // Takes `packet` for sequenced delivery (scrambling it now when a
    // server key is set). False, the packet staying the caller's, without a
    // peer or with more than kMaxPending packets pending.
    bool QueuePacket(TMEPacket* packet);
    // Flushes, sends the close notice and forgets the peer (when there is
    // one); then drops every packet and partial reassembly.
    void Disconnect();

    // Stores the remote end's key and restarts both scrambling positions. A
    // key shorter than 8 bytes turns scrambling off and gives false.
    bool SetServerKey(const Vek::String& key);
    // Eight random bytes 1..255, made on first use after each Attach.
    Vek::String GetSessionKey();
    const Vek::String& GetServerKey() const { return m_serverKey; }
    bool HasPeer() const { return m_peer != nullptr; }
    // -1 in plain mode, 1197 when fragmenting, 0 otherwise.
    int MaxFragmentPayload() const;

    void SetMode(int32_t mode) { m_mode = mode; }
    int32_t GetMode() const { return m_mode; }

    // The peer's receive callback (user data: the endpoint).
    static void ReceiveDatagram(void* endpoint, const uint8_t* bytes, int length);

    // Read-only views for diagnostics and tests.
    std::size_t HeldCount() const { return m_held.size(); }
    std::size_t PendingCount() const { return m_pending.size(); }
    std::size_t UnacknowledgedCount() const { return m_unacknowledged.size(); }
    uint8_t NextSendSequence() const { return m_nextSendSequence; }
    uint8_t NextExpectedSequence() const { return m_nextExpectedSequence; }
    uint8_t LastInOrderSequence() const { return m_lastInOrderSequence; }
    uint8_t LastAckSent() const { return m_lastAckSent; }

    // a is after b when the difference taken as a signed byte is positive.
    static int SequenceDifference(uint8_t a, uint8_t b) { return static_cast<int8_t>(static_cast<uint8_t>(a - b)); }
    static uint8_t NextSequence(uint8_t s) { return s == 255 ? 1 : static_cast<uint8_t>(s + 1); }

protected:
    bool SendPacket(TMEPacket* packet);

private:
    bool SendFragmented(TMEPacket* packet);
    void Flush();
    void ReceiveBytes(const uint8_t* bytes, int length);
    void ReceiveFragment(const uint8_t* bytes, int length);
    void ProcessPacket(TMEPacket* packet);
    void ProcessAck(uint8_t ack);
    void DropStale();
    bool IsHeld(uint8_t sequence) const;
    void OweAckAgainFor(uint8_t sequence);
    Vek::String SendKey();
    Vek::String ReceiveKey();
    void SendControl(uint32_t length);
    void ClearFragments();

    uint8_t m_nextSendSequence = 1;
    uint8_t m_nextExpectedSequence = 1;
    uint8_t m_lastInOrderSequence = 0;
    uint8_t m_lastAckSent = 0;
    double m_lastSendTime = 0.0;
    double m_lastReceiveTime = 0.0;
    std::vector<TMEPacket*> m_held;
    std::vector<TMEPacket*> m_unacknowledged;
    std::vector<TMEPacket*> m_pending;
    DatagramPeer* m_peer = nullptr;
    int32_t m_mode = kModePlain;
    std::map<uint8_t, FragmentSet*> m_fragments;
    Vek::String m_sessionKey;
    Vek::String m_serverKey;
    uint32_t m_sendPosition = 0;
    uint32_t m_receivePosition = 0;
};
