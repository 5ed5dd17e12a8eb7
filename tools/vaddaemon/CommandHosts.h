#pragma once
// The links registered as command hosts (one-way 140) and the jobs sent to
// them. A job goes to the earliest registered host as a notice of type 1;
// its reply is the host's next one-way 141, since replies follow the order
// of the jobs and carry no id. Jobs nobody waits for (the scenario's) keep
// their place in that order.
//
// When no host is registered, RunJob starts the installation's utility as
// one ("VorlexUtil vadcommandhost" beside the daemon's program) and waits,
// bounded, for its registration, then, bounded, for the reply. The hosts
// the daemon started are ended when it ends (EndStartedHosts); their links
// are not clients that keep the daemon from idling out.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class LinkSocket;

class CommandHosts {
public:
    enum class Outcome { kReplied, kNoHost, kTimedOut, kDropped };

    // `wait` bounds both the registration of a started host and a reply.
    explicit CommandHosts(std::chrono::milliseconds wait) : m_wait(wait) {}

    void Register(int connection, std::shared_ptr<LinkSocket> socket);
    // The link ended: jobs waiting for its replies fail as dropped.
    void Unregister(int connection);
    bool IsHost(int connection);

    // Sends a job whose reply nobody waits for; false when the send failed.
    bool Send(int connection, const std::vector<uint8_t>& job);
    // A reply 141 from the host link; false when no job of it was waiting.
    bool Deliver(int connection, const std::vector<uint8_t>& reply);

    // Sends the job to a host (starting one when none is registered) and
    // waits for its reply.
    Outcome RunJob(const std::vector<uint8_t>& job, std::vector<uint8_t>& reply);

    // Ends the hosts this daemon started that are still running.
    void EndStartedHosts();

private:
    struct Pending {
        bool awaited = false;
        bool done = false;
        bool dropped = false;
        std::vector<uint8_t> reply;
    };
    struct Host {
        int connection = 0;
        std::shared_ptr<LinkSocket> socket;
        std::deque<std::shared_ptr<Pending>> pending;
    };

    Host* FindLocked(int connection);
    // Starts the utility as a host; false when it could not be started.
    bool StartHostLocked();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Host> m_hosts;
    std::vector<int> m_startedPids;
    std::chrono::steady_clock::time_point m_startedAt{};
    bool m_starting = false;
    std::chrono::milliseconds m_wait;
};
