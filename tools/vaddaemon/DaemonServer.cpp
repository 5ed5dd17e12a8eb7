#include "vaddaemon/DaemonServer.h"

#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "engine/File.h"
#include "vaddaemon/ClientConnection.h"

namespace {

constexpr int kPollMs = 100;

// A database path in one spelling: normalised, lower case, no trailing
// separator.
std::string DatabaseKey(const std::string& path) {
    Vek::File::Path key(path);
    key.Normalise();
    key.RemoveTrailingSeparator();
    key.ToLower();
    return key.Str();
}

}  // namespace

DaemonServer::DaemonServer(const DaemonOptions& options, Scenario& scenario, Transcript& transcript)
    : m_options(options), m_scenario(scenario), m_transcript(transcript), m_repair(m_library, scenario.repairStepMs) {
    m_library.SetConfiguredUserId(options.userId);
}

DaemonServer::~DaemonServer() {
    StopClients();
    m_repair.Stop();
    if (m_listenFd >= 0) ::close(m_listenFd);
}

bool DaemonServer::OpenStore(const std::string& path, std::string& error) {
    if (DatabaseKey(path) != DatabaseKey(m_databasePath)) {
        error = "not the database of this daemon";
        return false;
    }
    // A store that cannot be opened leaves the link up: every request is
    // answered with the reason, and the repair can make a new store.
    if (!m_library.Open(path, error)) return true;
    std::call_once(m_usersSeeded, [this] {
        std::lock_guard<std::mutex> hold(m_library.Mutex());
        for (const auto& [user, name] : m_scenario.users) m_library.Store().SetUserName(user, name);
        if (m_scenario.readOnlyStore) m_library.Store().Connection().Exec("PRAGMA query_only=1");
    });
    return true;
}

bool DaemonServer::Listen() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_listenFd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 16) != 0 || ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    return true;
}

void DaemonServer::Accept() {
    int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // Each answer is one small write that its peer waits for: without this,
    // Nagle's algorithm holds it back until the peer's delayed
    // acknowledgement of the previous one (about 40 ms).
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Client client;
    client.connection = std::make_unique<ClientConnection>(*this, fd, m_nextNumber++);
    ClientConnection* connection = client.connection.get();
    client.thread = m_standby ? std::move(m_standby) : std::make_unique<StandbyThread>();
    client.thread->Start([connection] { connection->Run(); });
    m_clients.push_back(std::move(client));
    // The next client's thread is made now, while no one waits for it.
    m_standby = std::make_unique<StandbyThread>();
}

std::size_t DaemonServer::Reap() {
    std::size_t clients = 0;
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (it->connection->Finished()) {
            it->thread->Join();
            it = m_clients.erase(it);
        } else {
            if (!it->connection->IsCommandHost()) ++clients;
            ++it;
        }
    }
    return clients;
}

void DaemonServer::StopClients() {
    for (Client& client : m_clients) client.connection->Shutdown();
    for (Client& client : m_clients) client.thread->Join();
    m_clients.clear();
    m_standby.reset();
}

int DaemonServer::Run(const std::string& databasePath) {
    m_databasePath = databasePath;
    if (!Listen()) {
        std::fprintf(stderr, "vaddaemon: cannot listen on the loopback interface\n");
        return 1;
    }
    if (!m_rendezvous.Attach(databasePath.c_str())) {
        std::fprintf(stderr, "vaddaemon: cannot attach to the rendezvous of %s\n", databasePath.c_str());
        return 1;
    }
    if (!m_rendezvous.TakeOwnership(m_port)) {
        // Another daemon serves this database.
        m_rendezvous.Detach();
        return 0;
    }
    if (m_scenario.refuseAttach) m_rendezvous.SetRefuse(true);
    m_standby = std::make_unique<StandbyThread>();

    using Clock = std::chrono::steady_clock;
    Clock::time_point idleSince = Clock::now();
    Clock::time_point lastTidy = Clock::now();
    while (!m_stop) {
        pollfd p{m_listenFd, POLLIN, 0};
        int rc = ::poll(&p, 1, kPollMs);
        if (rc > 0 && (p.revents & POLLIN)) Accept();
        Clock::time_point now = Clock::now();
        if (Reap() > 0 || m_repair.IsRunning()) idleSince = now;
        if (now - lastTidy >= std::chrono::seconds(1)) {
            m_rendezvous.Idle();
            lastTidy = now;
            // One owner at a time: a daemon whose ownership has passed to
            // another (its entry taken for dead) stops serving.
            if (!m_rendezvous.IsOwner()) break;
        }
        if (now - idleSince >= std::chrono::seconds(m_options.idleSeconds)) break;
    }

    // Nobody may find the port of a daemon that no longer listens.
    m_rendezvous.ReleaseOwnership();
    m_rendezvous.Detach();
    ::close(m_listenFd);
    m_listenFd = -1;
    StopClients();
    m_hosts.EndStartedHosts();
    m_repair.Stop();
    return 0;
}
