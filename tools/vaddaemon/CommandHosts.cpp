#include "vaddaemon/CommandHosts.h"

#include <signal.h>
#include <unistd.h>

#include <string>

#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "foundation/platform/process/ShellExecute.h"
#include "vaddaemon/LinkSocket.h"
#include "vaddaemon/OperationCodes.h"

namespace {

// The utility beside the daemon's own program.
std::string UtilityProgram() {
    Vek::File::Path path;
    if (!GetModulePath(path)) return std::string();
    path.DelName();
    path.AddPath("VorlexUtil");
    return path.Str();
}

// The process is still the utility this daemon started (its id was not
// taken by another program since).
bool IsUtilityProcess(int pid, const std::string& program) {
    char target[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t size = ::readlink(link.c_str(), target, sizeof target - 1);
    if (size <= 0) return false;
    target[size] = '\0';
    char* real = ::realpath(program.c_str(), nullptr);
    const bool same = real && std::string(target) == real;
    std::free(real);
    return same;
}

}  // namespace

CommandHosts::Host* CommandHosts::FindLocked(int connection) {
    for (Host& host : m_hosts)
        if (host.connection == connection) return &host;
    return nullptr;
}

void CommandHosts::Register(int connection, std::shared_ptr<LinkSocket> socket) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (FindLocked(connection)) return;
    Host host;
    host.connection = connection;
    host.socket = std::move(socket);
    m_hosts.push_back(std::move(host));
    m_starting = false;
    m_changed.notify_all();
}

void CommandHosts::Unregister(int connection) {
    std::lock_guard<std::mutex> hold(m_lock);
    for (auto it = m_hosts.begin(); it != m_hosts.end(); ++it) {
        if (it->connection != connection) continue;
        for (const std::shared_ptr<Pending>& pending : it->pending) pending->dropped = true;
        m_hosts.erase(it);
        m_changed.notify_all();
        return;
    }
}

bool CommandHosts::IsHost(int connection) {
    std::lock_guard<std::mutex> hold(m_lock);
    return FindLocked(connection) != nullptr;
}

bool CommandHosts::Send(int connection, const std::vector<uint8_t>& job) {
    std::lock_guard<std::mutex> hold(m_lock);
    Host* host = FindLocked(connection);
    if (!host || !host->socket->SendNotice(Notice::kCommandHostJob, job)) return false;
    host->pending.push_back(std::make_shared<Pending>());
    return true;
}

bool CommandHosts::Deliver(int connection, const std::vector<uint8_t>& reply) {
    std::lock_guard<std::mutex> hold(m_lock);
    Host* host = FindLocked(connection);
    if (!host || host->pending.empty()) return false;
    std::shared_ptr<Pending> pending = std::move(host->pending.front());
    host->pending.pop_front();
    pending->reply = reply;
    pending->done = true;
    m_changed.notify_all();
    return pending->awaited;
}

bool CommandHosts::StartHostLocked() {
    using Clock = std::chrono::steady_clock;
    // A host started a moment ago is still on its way.
    if (m_starting && Clock::now() - m_startedAt < m_wait) return true;
    const std::string program = UtilityProgram();
    if (program.empty() || !Vek::File::Exists(program.c_str())) return false;
    Vek::File::Path folder(program.c_str());
    folder.DelName();
    const int pid = ShellExecuteGetProcessId(program.c_str(), "vadcommandhost", folder.c_str(), kShellExecuteHidden);
    if (pid <= 0) return false;
    m_startedPids.push_back(pid);
    m_starting = true;
    m_startedAt = Clock::now();
    return true;
}

CommandHosts::Outcome CommandHosts::RunJob(const std::vector<uint8_t>& job, std::vector<uint8_t>& reply) {
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_hosts.empty()) {
        if (!StartHostLocked()) return Outcome::kNoHost;
        if (!m_changed.wait_for(hold, m_wait, [this] { return !m_hosts.empty(); })) return Outcome::kNoHost;
    }
    Host& host = m_hosts.front();
    if (!host.socket->SendNotice(Notice::kCommandHostJob, job)) return Outcome::kDropped;
    auto pending = std::make_shared<Pending>();
    pending->awaited = true;
    host.pending.push_back(pending);
    // A job whose reply does not come in time keeps its place: its late
    // reply is taken and dropped, so the replies after it stay in order.
    if (!m_changed.wait_for(hold, m_wait, [&] { return pending->done || pending->dropped; }))
        return Outcome::kTimedOut;
    if (!pending->done) return Outcome::kDropped;
    reply = std::move(pending->reply);
    return Outcome::kReplied;
}

void CommandHosts::EndStartedHosts() {
    std::lock_guard<std::mutex> hold(m_lock);
    const std::string program = UtilityProgram();
    for (int pid : m_startedPids)
        if (IsUtilityProcess(pid, program)) ::kill(pid, SIGTERM);
    m_startedPids.clear();
}
