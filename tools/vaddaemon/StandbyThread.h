#pragma once
// A thread made before it is needed: it sleeps until it is given its work
// (once) and then runs it, or until it is let go. On a busy machine a new
// thread waits milliseconds for its first turn, while a sleeping thread that
// is woken runs at once; the server keeps one link thread standing by, so a
// client's hello is answered without waiting for a thread to be made.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class StandbyThread {
public:
    StandbyThread();
    // Join().
    ~StandbyThread();
    StandbyThread(const StandbyThread&) = delete;
    StandbyThread& operator=(const StandbyThread&) = delete;

    // Runs `work` on the thread. Only the first call gives it work.
    void Start(std::function<void()> work);
    // Waits for the work to end; a thread that was given none is let go.
    void Join();

private:
    void Sleep();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::function<void()> m_work;
    bool m_given = false;
    bool m_released = false;
    // Last: the thread starts once the members above exist.
    std::thread m_thread;
};
