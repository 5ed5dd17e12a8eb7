#include "onlineserver/ServerLink.h"

#include <algorithm>

namespace {
constexpr std::size_t kPiece = 1197;
constexpr int kMaxSends = 10;
constexpr double kResendAfter = 1.0;
constexpr std::size_t kMaxPayload = 65536;
}  // namespace

void ServerLink::Mix(ServerBytes& bytes, const std::string& key, uint32_t& position, bool scrambling) {
    if (key.empty()) return;
    for (uint8_t& byte : bytes) {
        uint8_t k = static_cast<uint8_t>(key[(position / 13) % key.size()]);
        const unsigned turn = (position / 7) % 8;
        k = static_cast<uint8_t>((k >> turn) | (k << ((8 - turn) & 7)));
        const uint8_t in = byte;
        byte = static_cast<uint8_t>(in ^ static_cast<uint8_t>(k + position));
        position += scrambling ? byte : in;
    }
}

void ServerLink::SetKeys(const std::string& clientSession, const std::string& serverKey) {
    m_sendKey = serverKey + clientSession;
    m_receiveKey = clientSession + serverKey;
    m_sendPosition = 0;
    m_receivePosition = 0;
}

void ServerLink::Queue(ServerBytes payload) {
    Mix(payload, m_sendKey, m_sendPosition, true);
    m_queue.push_back(std::move(payload));
}

void ServerLink::Transmit(Outgoing& out, double now) {
    ++out.sends;
    out.lastSend = now;
    const std::size_t count = std::max<std::size_t>(1, (out.payload.size() + kPiece - 1) / kPiece);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t piece = i + 1 == count ? out.payload.size() - offset : std::min(kPiece, out.payload.size() - offset);
        ServerBytes datagram = {out.sequence, m_lastInOrder, static_cast<uint8_t>(i + 1 == count ? (i | 0x80) : i)};
        datagram.insert(datagram.end(), out.payload.begin() + static_cast<std::ptrdiff_t>(offset),
                        out.payload.begin() + static_cast<std::ptrdiff_t>(offset + piece));
        offset += piece;
        m_send(datagram);
    }
    m_ackOwed = false;
}

bool ServerLink::Pump(double now) {
    while (!m_queue.empty() && m_unacknowledged.size() < 32) {
        Outgoing out{m_nextSend, std::move(m_queue.front())};
        m_queue.pop_front();
        m_nextSend = Next(m_nextSend);
        m_unacknowledged.push_back(std::move(out));
        Transmit(m_unacknowledged.back(), now);
    }
    for (Outgoing& out : m_unacknowledged) {
        if (now - out.lastSend < kResendAfter) continue;
        if (out.sends >= kMaxSends) return false;
        Transmit(out, now);
    }
    if (m_ackOwed) SendAck();
    return true;
}

void ServerLink::SendAck() {
    m_send(ServerBytes{0, m_lastInOrder});
    m_ackOwed = false;
}

void ServerLink::SendClose() { m_send(ServerBytes{0, m_lastInOrder, 0}); }

void ServerLink::Acknowledge(uint8_t ack) {
    if (ack == 0) return;
    while (!m_unacknowledged.empty() && Diff(m_unacknowledged.front().sequence, ack) <= 0) m_unacknowledged.pop_front();
}

void ServerLink::Accept(uint8_t sequence, ServerBytes payload) {
    m_ackOwed = true;
    if (payload.size() > kMaxPayload) return;
    const int ahead = Diff(sequence, m_expected);
    if (ahead < 0) return;  // already delivered: the ack answers it
    if (ahead > 0) {
        m_held.emplace(sequence, std::move(payload));
        return;
    }
    for (;;) {
        Mix(payload, m_receiveKey, m_receivePosition, false);
        m_lastInOrder = m_expected;
        m_expected = Next(m_expected);
        m_deliver(payload);
        auto next = m_held.find(m_expected);
        if (next == m_held.end()) break;
        payload = std::move(next->second);
        m_held.erase(next);
    }
}

bool ServerLink::Receive(const uint8_t* bytes, std::size_t length, double /*now*/) {
    if (length < 2) return true;
    Acknowledge(bytes[1]);
    if (bytes[0] == 0) {
        if (length == 3) return false;  // the close notice
        return true;                    // keep-alive or acknowledgement
    }
    if (length < 3) return true;
    const uint8_t sequence = bytes[0];
    if (Diff(sequence, m_expected) < 0) {
        m_ackOwed = true;
        return true;
    }
    auto& pieces = m_pieces[sequence];
    const int index = bytes[2] & 0x7F;
    pieces[index] = ServerBytes(bytes + 3, bytes + length);
    if (bytes[2] & 0x80) m_pieceCounts[sequence] = index + 1;
    auto total = m_pieceCounts.find(sequence);
    if (total == m_pieceCounts.end()) return true;
    for (int i = 0; i < total->second; ++i)
        if (!pieces.count(i)) return true;
    ServerBytes payload;
    for (int i = 0; i < total->second; ++i) payload.insert(payload.end(), pieces[i].begin(), pieces[i].end());
    m_pieces.erase(sequence);
    m_pieceCounts.erase(total);
    Accept(sequence, std::move(payload));
    return true;
}
