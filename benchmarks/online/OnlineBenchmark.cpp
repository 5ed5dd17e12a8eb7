// Payload throughput between two reliable-datagram endpoints over loopback,
// with and without 5% simulated loss, beside raw UDP over loopback moving
// the same payloads in the same process. The figure is the ratio
// endpoint / raw (messages per second).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <vector>

#include "foundation/callbacks/ProgramTime.h"
#include "online/DatagramPeer.h"
#include "online/DatagramSocket.h"
#include "online/TMEEndpoint.h"
#include "online/TMEPacket.h"

namespace {

constexpr int kMessages = 20000;
constexpr int kPayload = 1000;

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A peer that loses a share of what it sends.
class LossyPeer : public DatagramPeer {
public:
    explicit LossyPeer(double loss) : m_loss(loss) {}
    bool Send(const uint8_t* bytes, int length) override {
        if (m_loss > 0 && m_chance(m_random) < m_loss) return true;
        return DatagramPeer::Send(bytes, length);
    }

private:
    double m_loss;
    std::mt19937 m_random{5};
    std::uniform_real_distribution<double> m_chance{0.0, 1.0};
};

class CountingEndpoint : public TMEEndpoint {
public:
    void HandlePacket(TMEPacket* packet) override {
        ++received;
        bytes += packet->PayloadLength();
    }
    int64_t received = 0;
    int64_t bytes = 0;
};

void PointAt(DatagramPeer& peer, uint16_t port) {
    peer.Address().sin_family = AF_INET;
    peer.Address().sin_port = htons(port);
    peer.Address().sin_addr.s_addr = htonl(INADDR_LOOPBACK);
}

// Messages per second delivered to b within kWindow seconds; when
// `bothWays`, b sends as much back (its packets carry the acks at once; one
// way, acks wait for the one-second ack delay, and the 60-packet window
// then caps the flow).
constexpr double kWindow = 5.0;

double EndpointRate(double loss, bool bothWays) {
    DatagramSocket socketA, socketB;
    socketA.Open();
    socketB.Open();
    LossyPeer toB(loss), toA(loss);
    PointAt(toB, socketB.LocalPort());
    PointAt(toA, socketA.LocalPort());
    socketA.Register(&toB);
    socketB.Register(&toA);
    CountingEndpoint a, b;
    a.SetMode(TMEEndpoint::kModeFragmenting);
    b.SetMode(TMEEndpoint::kModeFragmenting);
    const double start = Seconds();
    SetProgramTime(0.0);
    a.Attach(&toB);
    b.Attach(&toA);
    std::vector<uint8_t> payload(kPayload, 0x5A);
    while (Seconds() - start < kWindow && a.HasPeer() && b.HasPeer()) {
        while (a.PendingCount() < 200) a.QueuePacket(new TMEPacket(payload.data(), kPayload));
        while (bothWays && b.PendingCount() < 200) b.QueuePacket(new TMEPacket(payload.data(), kPayload));
        SetProgramTime(Seconds() - start);
        a.Update();
        socketB.Poll();
        b.Update();
        socketA.Poll();
    }
    double elapsed = Seconds() - start;
    a.Disconnect();
    b.Disconnect();
    return static_cast<double>(b.received) / elapsed;
}

// Messages per second of plain UDP between two loopback sockets, sent in
// bursts the receive buffer holds.
double RawRate() {
    int sender = ::socket(AF_INET, SOCK_DGRAM, 0), receiver = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(receiver, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(receiver, reinterpret_cast<sockaddr*>(&address), &length);
    int size = 0x40000;
    ::setsockopt(receiver, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    std::vector<uint8_t> payload(kPayload + 2, 0x5A), buffer(100000);
    const double start = Seconds();
    int received = 0;
    while (received < kMessages) {
        int burst = std::min(32, kMessages - received);
        for (int i = 0; i < burst; ++i)
            ::sendto(sender, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
        for (int i = 0; i < burst; ++i)
            if (::recv(receiver, buffer.data(), buffer.size(), 0) > 0) ++received;
    }
    double elapsed = Seconds() - start;
    ::close(sender);
    ::close(receiver);
    return received / elapsed;
}

void Report(benchmark::State& state, double loss, bool bothWays) {
    double endpoint = 0, raw = 0;
    for (auto _ : state) {
        raw = RawRate();
        endpoint = EndpointRate(loss, bothWays);
    }
    state.counters["endpoint_msgs_per_s"] = endpoint;
    state.counters["raw_udp_msgs_per_s"] = raw;
    state.counters["endpoint_MB_per_s"] = endpoint * kPayload / 1e6;
    state.counters["ratio_endpoint_to_raw"] = endpoint / raw;
}

void BM_OneWayNoLoss(benchmark::State& state) { Report(state, 0.0, false); }
void BM_OneWayFivePercentLoss(benchmark::State& state) { Report(state, 0.05, false); }
void BM_BothWaysNoLoss(benchmark::State& state) { Report(state, 0.0, true); }
void BM_BothWaysFivePercentLoss(benchmark::State& state) { Report(state, 0.05, true); }

BENCHMARK(BM_OneWayNoLoss)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneWayFivePercentLoss)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BothWaysNoLoss)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BothWaysFivePercentLoss)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
