#pragma once
// VADTaskThread: the object that runs one database job, inline on the
// calling thread or on a thread of its own, and reports to an observer
// (a VADTask, which may be null).
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/Thread.h"

class VADTask;

class VADTaskThread {
public:
    // The free space a job needs on a volume: 100 MiB.
    static constexpr uint64_t kRequiredFreeBytes = 104857600;

    VADTaskThread() = default;
    // Asks a running job to stop and waits for its thread.
    virtual ~VADTaskThread();
    VADTaskThread(const VADTaskThread&) = delete;
    VADTaskThread& operator=(const VADTaskThread&) = delete;

    // Runs the job on a thread of its own: unless asked to stop first, the
    // thread records its id, runs the job and resets the id; then the
    // observer, if any, gets OnFinished and stops counting as running. The
    // observer owns this object from here on (its destructor deletes it).
    // False when the thread could not be made.
    bool Start(VADTask* observer);
    // Runs the job on the calling thread; no OnFinished, and the id stays.
    int32_t RunInline(VADTask* observer);

    void RequestStop() { m_stopRequested = true; }
    bool StopRequested() const { return m_stopRequested.load(); }
    // Waits until a started thread has ended (at once when none was
    // started).
    void WaitForEnd();

    // Whether the volume of `folder` has at least 100 MiB free for the
    // caller; false when that cannot be read.
    virtual bool HasDiskSpace(const char* folder);
    static bool IsEnoughDiskSpace(uint64_t freeBytes) { return freeBytes >= kRequiredFreeBytes; }

    // The id of the thread running the job; 0 when idle.
    uint64_t RunningThreadId() const { return m_runningThreadId.load(); }
    VADTask* Observer() const { return m_observer; }

protected:
    // The job; nothing in the base class.
    virtual void Run() {}

private:
    static uint32_t ThreadProc(void* argument);

    std::atomic<uint64_t> m_runningThreadId{0};
    VADTask* m_observer = nullptr;
    std::atomic<bool> m_stopRequested{false};
    std::unique_ptr<Vek::Thread> m_thread;
};
