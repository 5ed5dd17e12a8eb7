#include "online/TMEEndpoint.h"

#include <algorithm>

#include "foundation/callbacks/ProgramTime.h"
#include "foundation/random/SharedRandom.h"
#include "online/DatagramPeer.h"
#include "online/FragmentSet.h"
#include "online/TMEPacket.h"
#include "online/TMEScrambler.h"

namespace {

// Seconds to wait before the next send of a packet already sent `count`
// times.
double ResendDelay(uint8_t count) {
    static constexpr double kDelays[6] = {2.0, 2.0, 4.0, 16.0, 32.0, 64.0};
    return kDelays[std::min<uint8_t>(count, 5)];
}

std::string_view View(const Vek::String& text) { return std::string_view(text.c_str(), text.Length()); }

}  // namespace

TMEEndpoint::TMEEndpoint() = default;

TMEEndpoint::~TMEEndpoint() { Disconnect(); }

int TMEEndpoint::MaxFragmentPayload() const {
    if (m_mode == kModePlain) return -1;
    if (m_mode == kModeFragmenting) return kMaxFragmentPayload;
    return 0;
}

Vek::String TMEEndpoint::GetSessionKey() {
    if (m_sessionKey.Length() == 0) {
        char key[8];
        for (char& c : key) c = static_cast<char>(SharedRandomInt(255) + 1);
        m_sessionKey = Vek::String();
        m_sessionKey.Append(key, sizeof key);
    }
    return m_sessionKey;
}

bool TMEEndpoint::SetServerKey(const Vek::String& key) {
    m_sendPosition = 0;
    m_receivePosition = 0;
    if (key.Length() < 8) {
        m_serverKey = Vek::String();
        return false;
    }
    m_serverKey = key;
    return true;
}

Vek::String TMEEndpoint::SendKey() {
    Vek::String key = GetSessionKey();
    key.Append(m_serverKey.c_str(), m_serverKey.Length());
    return key;
}

Vek::String TMEEndpoint::ReceiveKey() {
    Vek::String key = m_serverKey;
    Vek::String session = GetSessionKey();
    key.Append(session.c_str(), session.Length());
    return key;
}

void TMEEndpoint::Attach(DatagramPeer* peer) {
    Disconnect();
    double now = GetProgramTime();
    m_lastSendTime = now;
    m_lastReceiveTime = now;
    m_nextSendSequence = 1;
    m_nextExpectedSequence = 1;
    m_lastInOrderSequence = 0;
    m_lastAckSent = 0;
    m_sessionKey = Vek::String();
    m_serverKey = Vek::String();
    m_sendPosition = 0;
    m_receivePosition = 0;
    m_peer = peer;
    if (peer) peer->SetCallback(&TMEEndpoint::ReceiveDatagram, this);
}

void TMEEndpoint::Disconnect() {
    if (m_peer) {
        Flush();
        SendControl(1);
        m_peer->SetCallback(nullptr, nullptr);
        m_peer = nullptr;
    }
    for (TMEPacket* p : m_held) delete p;
    for (TMEPacket* p : m_unacknowledged) delete p;
    for (TMEPacket* p : m_pending) delete p;
    m_held.clear();
    m_unacknowledged.clear();
    m_pending.clear();
    ClearFragments();
    OnDisconnected();
}

void TMEEndpoint::ClearFragments() {
    for (auto& entry : m_fragments) delete entry.second;
    m_fragments.clear();
}

bool TMEEndpoint::QueuePacket(TMEPacket* packet) {
    if (!m_peer || m_pending.size() > kMaxPending) return false;
    if (m_serverKey.Length() != 0) {
        Vek::String key = SendKey();
        TMEScrambler::Scramble(packet->PayloadBytes(), static_cast<std::size_t>(packet->PayloadLength()), View(key),
                               m_sendPosition);
        packet->Rewind();
    }
    m_pending.push_back(packet);
    return true;
}

void TMEEndpoint::SendControl(uint32_t length) {
    TMEPacket control;
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t zero = 0;
        control.Write(&zero, 1);
    }
    SendPacket(&control);
}

bool TMEEndpoint::SendPacket(TMEPacket* packet) {
    if (!m_peer) return false;
    double now = GetProgramTime();
    if (packet->sendCount < 255) ++packet->sendCount;
    packet->lastSendTime = now;
    packet->ack = m_lastInOrderSequence;
    bool sent;
    if (packet->sequence == 0 || m_mode == kModePlain) {
        std::vector<uint8_t> datagram(2 + static_cast<std::size_t>(packet->PayloadLength()));
        datagram[0] = packet->sequence;
        datagram[1] = packet->ack;
        std::copy_n(packet->GetData(), packet->PayloadLength(), datagram.begin() + 2);
        sent = m_peer->Send(datagram.data(), static_cast<int>(datagram.size()));
    } else if (m_mode == kModeFragmenting) {
        sent = SendFragmented(packet);
    } else {
        return false;
    }
    if (sent) {
        m_lastSendTime = now;
        m_lastAckSent = m_lastInOrderSequence;
    }
    return sent;
}

bool TMEEndpoint::SendFragmented(TMEPacket* packet) {
    const int32_t length = packet->PayloadLength();
    int32_t count = (length + kMaxFragmentPayload - 1) / kMaxFragmentPayload;
    if (count < 1) count = 1;
    if (count > kMaxFragments) return false;
    const uint8_t* payload = packet->GetData();
    int32_t offset = 0;
    std::vector<uint8_t> datagram;
    for (int32_t i = 0; i < count; ++i) {
        int32_t piece = (length - offset) / (count - i);
        datagram.assign(3 + static_cast<std::size_t>(piece), 0);
        datagram[0] = packet->sequence;
        datagram[1] = packet->ack;
        datagram[2] = static_cast<uint8_t>(i == count - 1 ? (i | 0x80) : i);
        std::copy_n(payload + offset, piece, datagram.begin() + 3);
        if (!m_peer->Send(datagram.data(), static_cast<int>(datagram.size()))) return false;
        offset += piece;
    }
    return true;
}

void TMEEndpoint::Flush() {
    while (m_unacknowledged.size() < kMaxUnacknowledged && !m_pending.empty()) {
        TMEPacket* packet = m_pending.front();
        m_pending.erase(m_pending.begin());
        packet->sequence = m_nextSendSequence;
        m_nextSendSequence = NextSequence(m_nextSendSequence);
        bool sent = m_peer && SendPacket(packet);
        m_unacknowledged.push_back(packet);
        if (!sent) break;
    }
}

void TMEEndpoint::Update() {
    if (!m_peer) return;
    const double now = GetProgramTime();
    for (TMEPacket* packet : m_unacknowledged) {
        if (now - ResendDelay(packet->sendCount) > packet->lastSendTime) {
            if (packet->sendCount >= kMaxSends)
                Disconnect();
            else
                SendPacket(packet);
            return;
        }
    }
    Flush();
    if ((m_lastInOrderSequence != m_lastAckSent && now - kAckDelay > m_lastSendTime) ||
        now - kKeepAliveInterval > m_lastSendTime) {
        SendControl(0);
    } else if (now - kSilenceLimit > m_lastReceiveTime) {
        Disconnect();
    }
}

void TMEEndpoint::ReceiveDatagram(void* endpoint, const uint8_t* bytes, int length) {
    static_cast<TMEEndpoint*>(endpoint)->ReceiveBytes(bytes, length);
}

void TMEEndpoint::ReceiveBytes(const uint8_t* bytes, int length) {
    if (length <= 0) return;
    bool fragment;
    if (m_mode == kModePlain)
        fragment = false;
    else if (m_mode == kModeFragmenting)
        fragment = bytes[0] != 0;
    else
        return;
    if (fragment) {
        ReceiveFragment(bytes, length);
        return;
    }
    if (length < 2) return;
    auto* packet = new TMEPacket(bytes + 2, length - 2);
    packet->sequence = bytes[0];
    packet->ack = bytes[1];
    ProcessPacket(packet);
}

void TMEEndpoint::OweAckAgainFor(uint8_t sequence) {
    if (SequenceDifference(sequence, m_lastAckSent) <= 0) m_lastAckSent = 0;
}

bool TMEEndpoint::IsHeld(uint8_t sequence) const {
    return std::any_of(m_held.begin(), m_held.end(), [sequence](const TMEPacket* p) { return p->sequence == sequence; });
}

void TMEEndpoint::ReceiveFragment(const uint8_t* bytes, int length) {
    if (length < 3) return;
    const uint8_t sequence = bytes[0];
    ProcessAck(bytes[1]);
    if (SequenceDifference(sequence, m_nextExpectedSequence) < 0) {
        OweAckAgainFor(sequence);
        return;
    }
    if (IsHeld(sequence)) return;
    FragmentSet*& set = m_fragments[sequence];
    if (!set) set = new FragmentSet();
    set->Add(bytes[2], bytes + 3, length - 3);
    if (!set->IsComplete()) return;
    TMEPacket* packet = set->Join();
    delete set;
    set = nullptr;  // the entry stays until it goes stale
    packet->sequence = sequence;
    ProcessPacket(packet);
}

void TMEEndpoint::ProcessAck(uint8_t ack) {
    if (ack == 0) return;
    auto it = m_unacknowledged.begin();
    while (it != m_unacknowledged.end()) {
        TMEPacket* packet = *it;
        if (SequenceDifference(packet->sequence, ack) <= 0) {
            int32_t token = packet->acknowledgementToken;
            delete packet;
            it = m_unacknowledged.erase(it);
            if (token != 0) OnPacketAcknowledged(token);
        } else {
            ++it;
        }
    }
}

void TMEEndpoint::DropStale() {
    int s = (m_nextExpectedSequence + 127) % 256;
    if (s == 0) s = 1;
    const uint8_t stale = static_cast<uint8_t>(s);
    auto entry = m_fragments.find(stale);
    if (entry != m_fragments.end()) {
        delete entry->second;
        m_fragments.erase(entry);
    }
    auto held = std::find_if(m_held.begin(), m_held.end(), [stale](const TMEPacket* p) { return p->sequence == stale; });
    if (held != m_held.end()) {
        delete *held;
        m_held.erase(held);
    }
}

void TMEEndpoint::ProcessPacket(TMEPacket* packet) {
    if (packet->PayloadLength() > kMaxPacketPayload) {
        delete packet;
        return;
    }
    ProcessAck(packet->ack);
    if (packet->sequence == 0) {
        const int32_t length = packet->PayloadLength();
        delete packet;
        if (length == 0)
            m_lastReceiveTime = GetProgramTime();
        else if (length == 1)
            Disconnect();
        return;
    }
    const int difference = SequenceDifference(packet->sequence, m_nextExpectedSequence);
    if (difference < 0) {
        OweAckAgainFor(packet->sequence);
        delete packet;
        return;
    }
    if (difference > 0) {
        if (IsHeld(packet->sequence) || m_held.size() >= kMaxHeld)
            delete packet;
        else
            m_held.push_back(packet);
        return;
    }
    TMEPacket* current = packet;
    while (current) {
        if (m_lastInOrderSequence == m_lastAckSent) m_lastSendTime = GetProgramTime();
        m_lastInOrderSequence = m_nextExpectedSequence;
        if (m_serverKey.Length() != 0) {
            Vek::String key = ReceiveKey();
            TMEScrambler::Unscramble(current->PayloadBytes(), static_cast<std::size_t>(current->PayloadLength()),
                                     View(key), m_receivePosition);
        }
        current->Rewind();
        HandlePacket(current);
        delete current;
        m_nextExpectedSequence = NextSequence(m_nextExpectedSequence);
        DropStale();
        current = nullptr;
        auto next = std::find_if(m_held.begin(), m_held.end(),
                                 [this](const TMEPacket* p) { return p->sequence == m_nextExpectedSequence; });
        if (next != m_held.end()) {
            current = *next;
            m_held.erase(next);
        }
    }
    m_lastReceiveTime = GetProgramTime();
}
