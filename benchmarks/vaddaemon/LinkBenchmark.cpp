// The daemon link at the loopback's speed: requests over a real loopback
// connection to the stand-in daemon's own connection code, against the same
// round trips to an echo server in this process (a request frame out, a
// reply frame of the same size back, both on TCP_NODELAY sockets; the echo
// reads through a buffer and answers from a reply made once, the least a
// server can do per frame).
//   asset info   operation 21 of a random asset of 10,000 (its record, whether
//                its dependencies are installed, its author's name)
//   keep-alive   operation 0, which does no work
// Each in two rows: one with a client written for the benchmark (a request
// frame in one write, the reply read on the same thread), which measures the
// daemon's side; one with the program's own client (ClientAssetInfo,
// ClientKeepAlive): the link made by VADOpenDatabase through the rendezvous,
// requests sent with VADSendRequest from request and reply streams, replies
// taken off the link by the client's reader thread, which wakes the
// requester. The echo is the same in both.
// Each iteration is a round: a block of requests to the daemon and a block
// of the same requests to the echo, in turn (the order alternating), so a
// load on the machine falls on both alike. A figure's ratio is the median
// of its rounds' ratios; the closing table gives it with the median time of
// one request on each side.
// The client runs on one processor and both serving threads on another, as
// the program and the daemon, two processes, would usually run: left to the
// scheduler, one server's thread would often wake on the client's processor
// (a cheap local wake-up) and the other's on an idle one (a wake-up across
// processors, several times dearer), and the ratio measured that placement
// instead of the servers.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/client/IPCRendezvous.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADSendRequest.h"
#include "assetdb/layout/InstallLayout.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/ClientConnection.h"
#include "vaddaemon/DaemonServer.h"

namespace {

constexpr int kAssets = 10000;
constexpr int kUsers = 100;

KUID NthAsset(int i) { return KUID(1 + i % kUsers, 1000 + i / kUsers, 0); }
// Names of one width, so every asset-info reply has the same size.
std::string Numbered(const char* prefix, int n) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %05d", prefix, n);
    return text;
}

void NoDelay(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// The processors the client and the servers run on: the first two the
// process may use (both the same when it may use only one).
struct Placement {
    int client = -1;
    int server = -1;
};

Placement ThePlacement() {
    static const Placement placement = [] {
        Placement chosen;
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return chosen;
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (!CPU_ISSET(cpu, &allowed)) continue;
            if (chosen.client < 0)
                chosen.client = cpu;
            else if (chosen.server < 0)
                chosen.server = cpu;
        }
        if (chosen.server < 0) chosen.server = chosen.client;
        return chosen;
    }();
    return placement;
}

void PlaceOn(pthread_t thread, int cpu) {
    if (cpu < 0) return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    ::pthread_setaffinity_np(thread, sizeof one, &one);
}

// A loopback listener on any free port.
int Listen(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::perror("listen");
        std::exit(1);
    }
    port = ntohs(address.sin_port);
    return fd;
}

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    NoDelay(fd);
    return fd;
}

// Closes the socket a serving thread waits on, and waits for the thread.
void EndServing(int fd, std::thread& thread) {
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    if (thread.joinable()) thread.join();
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveAll(int fd, uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void PutWord(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t WordAt(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A request frame: operation, transaction id, payload size, payload.
std::vector<uint8_t> RequestFrame(int32_t op, int32_t id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    PutWord(frame, static_cast<uint32_t>(op));
    PutWord(frame, static_cast<uint32_t>(id));
    PutWord(frame, static_cast<uint32_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

// The client's side of one request, as the program reads it: the frame in
// one write, then frames (12-byte head, then the body) until the reply;
// the reply's body size. `body` is kept from call to call.
int32_t RoundTrip(int fd, const std::vector<uint8_t>& frame, std::vector<uint8_t>& body) {
    if (!SendAll(fd, frame)) return -1;
    for (;;) {
        uint8_t head[12];
        if (!ReceiveAll(fd, head, sizeof head)) return -1;
        body.resize(WordAt(head + 8));
        if (!ReceiveAll(fd, body.data(), body.size())) return -1;
        if (WordAt(head) == 0x7265706C) return static_cast<int32_t>(body.size());  // 'repl'
    }
}

// Answers each frame with a reply of `replyBytes` bytes, in one write. It
// reads whatever has arrived into a buffer and takes the frames out of it.
class EchoServer {
public:
    explicit EchoServer(std::size_t replyBytes) : m_reply(12 + replyBytes, 0) {
        PutWordAt(m_reply.data(), 0x7265706C);
        PutWordAt(m_reply.data() + 8, static_cast<uint32_t>(replyBytes));
        m_listen = Listen(m_port);
        m_thread = std::thread([this] { Serve(); });
        PlaceOn(m_thread.native_handle(), ThePlacement().server);
    }
    ~EchoServer() { EndServing(m_listen, m_thread); }
    int Port() const { return m_port; }

private:
    static void PutWordAt(uint8_t* at, uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) *at++ = static_cast<uint8_t>(value >> shift);
    }

    void Serve() {
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        NoDelay(fd);
        std::vector<uint8_t> buffer(16384);
        std::size_t from = 0, to = 0;
        for (;;) {
            // A whole frame in the buffer: answer it.
            if (to - from >= 12 && to - from >= 12 + WordAt(buffer.data() + from + 8)) {
                PutWordAt(m_reply.data() + 4, WordAt(buffer.data() + from + 4));
                from += 12 + WordAt(buffer.data() + from + 8);
                if (!SendAll(fd, m_reply)) break;
                continue;
            }
            if (from > 0) {
                std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(from),
                          buffer.begin() + static_cast<std::ptrdiff_t>(to), buffer.begin());
                to -= from;
                from = 0;
            }
            const ssize_t n = ::recv(fd, buffer.data() + to, buffer.size() - to, 0);
            if (n <= 0) break;
            to += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }

    std::vector<uint8_t> m_reply;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

// One link to the stand-in's server, served on a thread of its own by the
// daemon's connection code, after the hello.
class DaemonLink {
public:
    DaemonLink(DaemonServer& server, const std::string& database) {
        int port = 0;
        const int listen = Listen(port);
        m_client = Connect(port);
        const int served = ::accept4(listen, nullptr, nullptr, SOCK_CLOEXEC);
        ::close(listen);
        NoDelay(served);
        m_connection = std::make_unique<ClientConnection>(server, served, ++s_links);
        m_thread = std::thread([this] { m_connection->Run(); });
        PlaceOn(m_thread.native_handle(), ThePlacement().server);
        // The hello: 'VADC', version, build, kind, the path.
        std::vector<uint8_t> hello;
        for (uint32_t word : {0x56414443u, 350u, 47059u, 1u, static_cast<uint32_t>(database.size())})
            PutWord(hello, word);
        hello.insert(hello.end(), database.begin(), database.end());
        uint8_t answer[12];
        if (!SendAll(m_client, hello) || !ReceiveAll(m_client, answer, sizeof answer)) {
            std::fprintf(stderr, "the hello failed\n");
            std::exit(1);
        }
    }
    ~DaemonLink() { EndServing(m_client, m_thread); }
    int Fd() const { return m_client; }

private:
    static inline int s_links = 0;
    int m_client = -1;
    std::unique_ptr<ClientConnection> m_connection;
    std::thread m_thread;
};

// The stand-in's server with a store of kAssets assets.
struct Daemon {
    std::filesystem::path root;
    DaemonOptions options;
    Scenario scenario;
    Transcript transcript;
    std::unique_ptr<DaemonServer> server;
    std::string database;
    std::size_t infoReplyBytes = 0;

    Daemon() {
        root = std::filesystem::temp_directory_path() / ("vaddaemon-link-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "UserData");
        SetInstallationFolders(root.c_str());
        transcript.Open(std::string());
        server = std::make_unique<DaemonServer>(options, scenario, transcript);
        database = GetDatabasePath().Str();
        server->SetDatabasePath(database);
        std::string error;
        if (!server->OpenStore(database, error) || !error.empty()) {
            std::fprintf(stderr, "cannot open the store: %s\n", error.c_str());
            std::exit(1);
        }
        {
            AssetLibrary& library = server->GetLibrary();
            std::lock_guard<std::mutex> hold(library.Mutex());
            AssetStore& store = library.Store();
            for (int user = 1; user <= kUsers; ++user) store.SetUserName(user, Numbered("user", user));
            for (int i = 0; i < kAssets; ++i) {
                AssetRecord record;
                record.kuid = NthAsset(i);
                record.installed = true;
                record.name = Numbered("Asset", i);
                record.categoryClass = "TR;LOC";
                record.build = 3.1f;
                if (i > 0 && i % 5 == 0) record.dependencies = {NthAsset(i - 1), NthAsset(i / 2)};
                store.Put(record);
            }
        }
        DaemonLink link(*server, database);
        std::vector<uint8_t> body;
        infoReplyBytes =
            static_cast<std::size_t>(RoundTrip(link.Fd(), RequestFrame(21, 1, InfoPayload(NthAsset(0))), body));
    }
    ~Daemon() {
        server.reset();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    static std::vector<uint8_t> InfoPayload(const KUID& kuid) {
        TBuffer payload;
        payload.WriteKUID(kuid);
        payload.WriteInt32(-1);
        return std::vector<uint8_t>(payload.GetData(), payload.GetData() + payload.GetDataSize());
    }
};

Daemon& TheDaemon() {
    static Daemon daemon;
    return daemon;
}

// Requests in blocks of this many, one block to each side a round.
constexpr int kBlock = 16;

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// One request to the daemon's side: the i-th frame (its operation and
// payload); the reply's body size, or -1.
using DaemonRequest = std::function<int32_t(std::size_t i)>;

// Times `frames` over a link to the daemon (sent by `daemonRequest`) and over
// one to an echo server in turn; every reply must have `replyBytes` bytes.
// Both links and their serving threads are made afresh for each run, so that
// neither side keeps a thread the scheduler has placed worse than the
// other's.
void RunInterleaved(benchmark::State& state, const std::vector<std::vector<uint8_t>>& frames, std::size_t replyBytes,
                    const DaemonRequest& daemonRequest) {
    EchoServer echo(replyBytes);
    const int echoFd = Connect(echo.Port());
    std::vector<uint8_t> body;
    std::size_t next = 0;
    // Seconds of one block.
    auto block = [&](const DaemonRequest& request, std::size_t first) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBlock; ++i)
            if (request((first + static_cast<std::size_t>(i)) % frames.size()) != static_cast<int32_t>(replyBytes))
                state.SkipWithError("a reply was not whole");
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const DaemonRequest echoRequest = [&](std::size_t i) { return RoundTrip(echoFd, frames[i], body); };
    // Both sides warmed alike: a block each before the timing.
    block(daemonRequest, 0);
    block(echoRequest, 0);
    std::vector<double> linkTimes, echoTimes, ratios;
    bool linkFirst = true;
    for (auto _ : state) {
        double linkTime, echoTime;
        if (linkFirst) {
            linkTime = block(daemonRequest, next);
            echoTime = block(echoRequest, next);
        } else {
            echoTime = block(echoRequest, next);
            linkTime = block(daemonRequest, next);
        }
        linkFirst = !linkFirst;
        next += kBlock;
        linkTimes.push_back(linkTime / kBlock);
        echoTimes.push_back(echoTime / kBlock);
        ratios.push_back(linkTime / echoTime);
    }
    ::shutdown(echoFd, SHUT_RDWR);
    ::close(echoFd);
    state.counters["link_us"] = Median(linkTimes) * 1e6;
    state.counters["echo_us"] = Median(echoTimes) * 1e6;
    state.counters["ratio"] = Median(ratios);
}

// With the benchmark's own client on a link of its own.
void RunWithBenchmarkClient(benchmark::State& state, const std::vector<std::vector<uint8_t>>& frames,
                            std::size_t replyBytes) {
    Daemon& daemon = TheDaemon();
    PlaceOn(::pthread_self(), ThePlacement().client);
    DaemonLink link(*daemon.server, daemon.database);
    std::vector<uint8_t> body;
    RunInterleaved(state, frames, replyBytes, [&](std::size_t i) { return RoundTrip(link.Fd(), frames[i], body); });
}

// The program's client, linked to the stand-in's connection code: the
// rendezvous publishes a listener of this process (owned in the name of
// another live process, the parent, as a daemon would own it), whose one
// connection is served on a thread of its own. The client's reader thread
// is made by this thread, after it is placed, so it runs on the client's
// processor too.
class ProgramClient {
public:
    explicit ProgramClient(Daemon& daemon) {
        int port = 0;
        m_listen = Listen(port);
        m_rendezvous.SetProcessIdForTesting(static_cast<int32_t>(::getppid()));
        if (!m_rendezvous.Attach(daemon.database.c_str()) || !m_rendezvous.TakeOwnership(port)) {
            std::fprintf(stderr, "cannot publish the port\n");
            std::exit(1);
        }
        m_thread = std::thread([this, &daemon] {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            NoDelay(fd);
            ClientConnection(*daemon.server, fd, 1000 + ++s_links).Run();
        });
        PlaceOn(m_thread.native_handle(), ThePlacement().server);
        VADOpenDatabaseArgs args;
        args.reconnect = 0;
        if (!VADOpenDatabase(args)) {
            std::fprintf(stderr, "the program's client did not connect\n");
            std::exit(1);
        }
    }
    ~ProgramClient() {
        VADCloseDatabase();
        EndServing(m_listen, m_thread);
        m_rendezvous.Detach();
    }

    // One request as the program's request functions make it: the payload
    // in a request stream, the reply in a stream of its own.
    static int32_t Request(int32_t op, const std::vector<uint8_t>& payload) {
        TBuffer request;
        if (!payload.empty()) request.Write(payload.data(), static_cast<int32_t>(payload.size()));
        request.Rewind();
        TBuffer reply;
        if (!VADSendRequest(op, request, reply)) return -1;
        return reply.GetDataSize();
    }

private:
    static inline int s_links = 0;
    int m_listen = -1;
    IPCRendezvous m_rendezvous;
    std::thread m_thread;
};

// With the program's client; `payloads` are the frames' payloads in order.
void RunWithProgramClient(benchmark::State& state, int32_t op, const std::vector<std::vector<uint8_t>>& frames,
                          const std::vector<std::vector<uint8_t>>& payloads, std::size_t replyBytes) {
    PlaceOn(::pthread_self(), ThePlacement().client);
    ProgramClient client(TheDaemon());
    RunInterleaved(state, frames, replyBytes,
                   [&](std::size_t i) { return ProgramClient::Request(op, payloads[i]); });
}

struct Requests {
    std::vector<std::vector<uint8_t>> frames;
    std::vector<std::vector<uint8_t>> payloads;
};

Requests AssetInfoRequests() {
    std::mt19937 random(2);
    Requests requests;
    for (int32_t id = 100; id < 100 + 4096; ++id) {
        requests.payloads.push_back(Daemon::InfoPayload(NthAsset(static_cast<int>(random() % kAssets))));
        requests.frames.push_back(RequestFrame(21, id, requests.payloads.back()));
    }
    return requests;
}

Requests KeepAliveRequests() {
    Requests requests;
    for (int32_t id = 100; id < 100 + kBlock; ++id) {
        requests.payloads.emplace_back();
        requests.frames.push_back(RequestFrame(0, id, {}));
    }
    return requests;
}

void BM_AssetInfo(benchmark::State& state) {
    RunWithBenchmarkClient(state, AssetInfoRequests().frames, TheDaemon().infoReplyBytes);
}

void BM_KeepAlive(benchmark::State& state) { RunWithBenchmarkClient(state, KeepAliveRequests().frames, 0); }

void BM_ClientAssetInfo(benchmark::State& state) {
    const Requests requests = AssetInfoRequests();
    RunWithProgramClient(state, 21, requests.frames, requests.payloads, TheDaemon().infoReplyBytes);
}

void BM_ClientKeepAlive(benchmark::State& state) {
    const Requests requests = KeepAliveRequests();
    RunWithProgramClient(state, 0, requests.frames, requests.payloads, 0);
}

// Each figure in five runs, each on links of its own; the table takes the
// median run.
BENCHMARK(BM_AssetInfo)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_KeepAlive)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClientAssetInfo)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClientKeepAlive)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The console report, then a table of each figure's ratio (with repeated
// runs, the median of the runs' ratios).
class InterleavedReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            Figures& figures = m_figures[run.run_name.function_name];
            for (auto& [name, value] : {std::pair<const char*, double*>{"link_us", &figures.link},
                                        std::pair<const char*, double*>{"echo_us", &figures.echo},
                                        std::pair<const char*, double*>{"ratio", &figures.ratio}}) {
                const auto counter = run.counters.find(name);
                if (counter != run.counters.end()) *value = counter->second.value;
            }
        }
    }

    void PrintRatios() const {
        std::printf("\n%-18s %14s %14s %8s\n", "figure", "Link", "Echo", "ratio");
        for (const auto& [name, figures] : m_figures)
            std::printf("%-18s %11.1f us %11.1f us %7.2fx\n", name.substr(3).c_str(), figures.link, figures.echo,
                        figures.ratio);
    }

private:
    struct Figures {
        double link = 0, echo = 0, ratio = 0;
    };
    std::map<std::string, Figures> m_figures;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    InitializeNetwork();
    TheDaemon();
    InterleavedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
