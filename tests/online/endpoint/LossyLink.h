#pragma once
// Two reliable-datagram endpoints joined by a link held in memory, with a
// seeded policy of loss, reordering and duplication, on the program clock
// that the test drives.
#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "foundation/callbacks/ProgramTime.h"
#include "online/DatagramPeer.h"
#include "online/TMEEndpoint.h"
#include "online/TMEPacket.h"

namespace OnlineTest {

using Bytes = std::vector<uint8_t>;

struct SentDatagram {
    double time;
    Bytes bytes;
};

// A peer whose sends land in an in-memory queue instead of a socket.
class MemoryPeer : public DatagramPeer {
public:
    bool Send(const uint8_t* bytes, int length) override {
        log.push_back({GetProgramTime(), Bytes(bytes, bytes + length)});
        if (down) return true;  // lost on the way: the sender cannot tell
        inFlight.emplace_back(bytes, bytes + length);
        return true;
    }
    std::deque<Bytes> inFlight;
    std::vector<SentDatagram> log;
    bool down = false;
};

// An endpoint that records what it is handed.
class RecordingEndpoint : public TMEEndpoint {
public:
    void HandlePacket(TMEPacket* packet) override {
        Bytes payload(static_cast<std::size_t>(packet->PayloadLength()));
        if (!payload.empty()) packet->Read(payload.data(), static_cast<int32_t>(payload.size()));
        delivered.push_back(payload);
    }
    void OnDisconnected() override { ++disconnects; }
    std::vector<Bytes> delivered;
    int disconnects = 0;
};

struct LinkPolicy {
    // A link losing much more than 5% ends by design: five unanswered sends
    // of one packet (its acks lost as well) close it.
    double loss = 0.0;       // chance a datagram is lost
    double reorder = 0.0;    // chance a datagram waits for a later pump
    double duplicate = 0.0;  // chance a datagram arrives twice
};

inline TMEPacket* MakePacket(const Bytes& payload) {
    return new TMEPacket(payload.data(), static_cast<int32_t>(payload.size()));
}

class LossyLink {
public:
    explicit LossyLink(int32_t mode, LinkPolicy policy = {}, unsigned seed = 1) : m_policy(policy), m_random(seed) {
        SetProgramTime(0.0);
        a.SetMode(mode);
        b.SetMode(mode);
        a.Attach(&peerA);
        b.Attach(&peerB);
        // Attaching disconnects first, which reports itself; count from here.
        a.disconnects = 0;
        b.disconnects = 0;
    }
    ~LossyLink() {
        a.Disconnect();
        b.Disconnect();
    }

    // Carries what each side sent to the other, by the policy.
    void Pump() {
        Carry(peerA, peerB, m_lateA);
        Carry(peerB, peerA, m_lateB);
    }
    // One round: both endpoints update, the link carries, time advances.
    void Step(double seconds) {
        a.Update();
        b.Update();
        Pump();
        SetProgramTime(GetProgramTime() + seconds);
    }

    RecordingEndpoint a, b;
    MemoryPeer peerA, peerB;  // peerA is a's end: its sends go to b

private:
    void Carry(MemoryPeer& from, MemoryPeer& to, std::deque<Bytes>& late) {
        std::deque<Bytes> now;
        now.swap(from.inFlight);
        // What waited last time goes after this round's datagrams.
        while (!late.empty()) {
            now.push_back(std::move(late.front()));
            late.pop_front();
        }
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        for (Bytes& datagram : now) {
            if (chance(m_random) < m_policy.loss) continue;
            if (chance(m_random) < m_policy.reorder) {
                late.push_back(datagram);
                continue;
            }
            to.Deliver(datagram.data(), static_cast<int>(datagram.size()));
            if (chance(m_random) < m_policy.duplicate) to.Deliver(datagram.data(), static_cast<int>(datagram.size()));
        }
    }

    LinkPolicy m_policy;
    std::mt19937 m_random;
    std::deque<Bytes> m_lateA, m_lateB;
};

}  // namespace OnlineTest
