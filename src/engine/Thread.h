#pragma once
// Engine threads. A thread is created suspended: it starts running its
// procedure (or Run) on Resume. Deleting a thread object waits for a running
// thread to end; a thread that was never resumed never runs.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <condition_variable>
#include <thread>

namespace Vek {

class Thread {
public:
    using Procedure = uint32_t (*)(void* argument);

    // A thread that calls `procedure(argument)`.
    Thread(Procedure procedure, void* argument);
    // A thread that calls the virtual Run of a subclass.
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool StartedOk() const { return m_started; }
    void Resume();
    // Priorities are recorded only; Linux threads of one process share one.
    void SetPriority(int priority) { m_priority = priority; }
    int GetPriority() const { return m_priority; }
    // Waits at most `timeoutMs` for the thread to end; true when it has.
    bool Wait(uint32_t timeoutMs = 0xFFFFFFFFu);
    bool IsRunning() const { return m_running.load(); }
    uint32_t ExitCode() const { return m_exitCode.load(); }
    // The engine id of this thread (valid once resumed).
    uint64_t GetId() const { return m_id.load(); }

    // The engine id of the calling thread: unique while the thread lives.
    static uint64_t GetCurrentId();
    // True when a process with this id exists (EPERM counts as alive).
    static bool IsProcessAlive(int processId);

protected:
    virtual uint32_t Run();

private:
    void Start();
    void Body();

    Procedure m_procedure = nullptr;
    void* m_argument = nullptr;
    std::thread m_thread;
    std::mutex m_gateMutex;
    std::condition_variable m_gate;
    bool m_resumed = false;
    bool m_cancelled = false;
    bool m_started = false;
    int m_priority = 0;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_finished{false};
    std::atomic<uint32_t> m_exitCode{0};
    std::atomic<uint64_t> m_id{0};
    std::mutex m_doneMutex;
    std::condition_variable m_done;
};

}  // namespace Vek
