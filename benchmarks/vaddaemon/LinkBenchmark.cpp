// The daemon link at the loopback's speed: requests over a real loopback
// connection to the stand-in daemon's own connection code, each beside the
// same round trip to a plain echo server in this process (a request frame
// out, a reply frame of the same size back, both on TCP_NODELAY sockets).
// The closing table gives each figure's ratio to the echo.
//   asset info   operation 21 of a random asset of 10,000 (one record, its
//                dependencies and its author's name read from the store)
//   keep-alive   operation 0, which does no work
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/layout/InstallLayout.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/streams/BufferStream.h"
#include "RatioReporter.h"
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

// The client's side of one request, as the program reads it: the frame in
// one write, then frames (12-byte head, then the body) until the reply;
// the reply's body size.
int32_t RoundTrip(int fd, int32_t op, int32_t id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    PutWord(frame, static_cast<uint32_t>(op));
    PutWord(frame, static_cast<uint32_t>(id));
    PutWord(frame, static_cast<uint32_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    if (!SendAll(fd, frame)) return -1;
    for (;;) {
        uint8_t head[12];
        if (!ReceiveAll(fd, head, sizeof head)) return -1;
        std::vector<uint8_t> body(WordAt(head + 8));
        if (!ReceiveAll(fd, body.data(), body.size())) return -1;
        if (WordAt(head) == 0x7265706C) return static_cast<int32_t>(body.size());  // 'repl'
    }
}

// Answers each frame with a reply of `replyBytes` bytes, in one write.
class EchoServer {
public:
    explicit EchoServer(std::size_t replyBytes) : m_replyBytes(replyBytes) {
        m_listen = Listen(m_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~EchoServer() {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        if (m_thread.joinable()) m_thread.join();
    }
    int Port() const { return m_port; }

private:
    void Serve() {
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        NoDelay(fd);
        for (;;) {
            uint8_t head[12];
            if (!ReceiveAll(fd, head, sizeof head)) break;
            std::vector<uint8_t> payload(WordAt(head + 8));
            if (!ReceiveAll(fd, payload.data(), payload.size())) break;
            std::vector<uint8_t> reply;
            PutWord(reply, 0x7265706C);
            PutWord(reply, WordAt(head + 4));
            PutWord(reply, static_cast<uint32_t>(m_replyBytes));
            reply.resize(reply.size() + m_replyBytes, 0);
            if (!SendAll(fd, reply)) break;
        }
        ::close(fd);
    }

    std::size_t m_replyBytes;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

// The stand-in's server with a store of kAssets assets, serving one
// connection made here through its own connection code.
struct Daemon {
    std::filesystem::path root;
    DaemonOptions options;
    Scenario scenario;
    Transcript transcript;
    std::unique_ptr<DaemonServer> server;
    std::unique_ptr<ClientConnection> connection;
    std::thread thread;
    int client = -1;
    std::size_t infoReplyBytes = 0;

    Daemon() {
        root = std::filesystem::temp_directory_path() / ("vaddaemon-link-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "UserData");
        SetInstallationFolders(root.c_str());
        transcript.Open(std::string());
        server = std::make_unique<DaemonServer>(options, scenario, transcript);
        const std::string database = GetDatabasePath().Str();
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
        int port = 0;
        const int listen = Listen(port);
        client = Connect(port);
        const int served = ::accept4(listen, nullptr, nullptr, SOCK_CLOEXEC);
        ::close(listen);
        NoDelay(served);
        connection = std::make_unique<ClientConnection>(*server, served, 1);
        thread = std::thread([this] { connection->Run(); });
        // The hello: 'VADC', version, build, kind, the path.
        std::vector<uint8_t> hello;
        for (uint32_t word : {0x56414443u, 350u, 47059u, 1u, static_cast<uint32_t>(database.size())})
            PutWord(hello, word);
        hello.insert(hello.end(), database.begin(), database.end());
        uint8_t answer[12];
        if (!SendAll(client, hello) || !ReceiveAll(client, answer, sizeof answer)) {
            std::fprintf(stderr, "the hello failed\n");
            std::exit(1);
        }
        infoReplyBytes = static_cast<std::size_t>(RoundTrip(client, 21, 1, InfoPayload(NthAsset(0))));
    }
    ~Daemon() {
        ::shutdown(client, SHUT_RDWR);
        ::close(client);
        if (thread.joinable()) thread.join();
        connection.reset();
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

void BM_AssetInfo_Link(benchmark::State& state) {
    Daemon& daemon = TheDaemon();
    std::mt19937 random(2);
    int32_t id = 100;
    for (auto _ : state) {
        const std::vector<uint8_t> payload = Daemon::InfoPayload(NthAsset(static_cast<int>(random() % kAssets)));
        if (RoundTrip(daemon.client, 21, ++id, payload) != static_cast<int32_t>(daemon.infoReplyBytes))
            state.SkipWithError("an asset-info reply was not whole");
    }
}

void BM_AssetInfo_Echo(benchmark::State& state) {
    EchoServer echo(TheDaemon().infoReplyBytes);
    const int fd = Connect(echo.Port());
    std::mt19937 random(2);
    int32_t id = 100;
    for (auto _ : state) {
        const std::vector<uint8_t> payload = Daemon::InfoPayload(NthAsset(static_cast<int>(random() % kAssets)));
        if (RoundTrip(fd, 21, ++id, payload) < 0) state.SkipWithError("the echo failed");
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

void BM_KeepAlive_Link(benchmark::State& state) {
    Daemon& daemon = TheDaemon();
    int32_t id = 100;
    for (auto _ : state)
        if (RoundTrip(daemon.client, 0, ++id, {}) != 0) state.SkipWithError("a keep-alive reply was not empty");
}

void BM_KeepAlive_Echo(benchmark::State& state) {
    EchoServer echo(0);
    const int fd = Connect(echo.Port());
    int32_t id = 100;
    for (auto _ : state)
        if (RoundTrip(fd, 0, ++id, {}) < 0) state.SkipWithError("the echo failed");
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

BENCHMARK(BM_AssetInfo_Link)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AssetInfo_Echo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeepAlive_Link)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeepAlive_Echo)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TheDaemon();
    RatioReporter reporter("Link", "Echo", {"AssetInfo", "KeepAlive"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
