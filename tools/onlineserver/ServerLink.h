#pragma once
// The server's end of one client's reliable datagram stream: sequenced
// payloads in fragments of at most 1197 bytes ([sequence][ack][index, 0x80
// on the last][piece]), control datagrams [0][ack][payload], cumulative
// acknowledgements, in-order delivery with reassembly, and the payload
// scrambling once both keys are known. Every received datagram is answered
// at once with an acknowledgement when one is owed; unacknowledged payloads
// are sent again after a second, and the link gives up after ten sends.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

using ServerBytes = std::vector<uint8_t>;

class ServerLink {
public:
    // Sends one datagram to the client.
    using SendFunction = std::function<void(const ServerBytes&)>;
    // Receives each payload delivered in order.
    using DeliverFunction = std::function<void(const ServerBytes&)>;

    ServerLink(SendFunction send, DeliverFunction deliver) : m_send(std::move(send)), m_deliver(std::move(deliver)) {}

    // Queues a payload; it is scrambled now when the keys are set.
    void Queue(ServerBytes payload);
    // The keys of both directions, from the client's session key and this
    // server's key; positions restart.
    void SetKeys(const std::string& clientSession, const std::string& serverKey);
    // A datagram from the client. False when it was a close notice.
    bool Receive(const uint8_t* bytes, std::size_t length, double now);
    // Sends what is queued, resends what waits too long. False when a
    // payload went unanswered ten times.
    bool Pump(double now);
    // The close notice.
    void SendClose();

private:
    struct Outgoing {
        uint8_t sequence;
        ServerBytes payload;
        int sends = 0;
        double lastSend = 0;
    };
    static int Diff(uint8_t a, uint8_t b) { return static_cast<int8_t>(static_cast<uint8_t>(a - b)); }
    static uint8_t Next(uint8_t s) { return s == 255 ? 1 : static_cast<uint8_t>(s + 1); }
    void Transmit(Outgoing& out, double now);
    void Acknowledge(uint8_t ack);
    void Accept(uint8_t sequence, ServerBytes payload);
    void SendAck();
    static void Mix(ServerBytes& bytes, const std::string& key, uint32_t& position, bool scrambling);

    SendFunction m_send;
    DeliverFunction m_deliver;
    uint8_t m_nextSend = 1;
    uint8_t m_expected = 1;
    uint8_t m_lastInOrder = 0;
    bool m_ackOwed = false;
    std::deque<ServerBytes> m_queue;
    std::deque<Outgoing> m_unacknowledged;
    std::map<uint8_t, ServerBytes> m_held;
    std::map<uint8_t, std::map<int, ServerBytes>> m_pieces;
    std::map<uint8_t, int> m_pieceCounts;
    std::string m_sendKey, m_receiveKey;
    uint32_t m_sendPosition = 0, m_receivePosition = 0;
};
