#pragma once
// The engine lock: one process-wide shared/exclusive lock, keyed by thread
// id and re-entrant per thread. It guards the interface-text tables: every
// thread takes it exclusively around the first load of the tables and
// shared around each lookup.
//
// A waiting thread does not block: it polls with a growing back-off (0 ms
// for the first 110 retries, then 1 ms, 2 ms, ... up to 20 ms per retry).
// The main thread keeps the process alive while it waits: at every retry it
// runs one call queued for it, and after 15 s of waiting, and every 15 s
// after, it shows (then redraws) the blocking screen, purges the resource
// cache and collects unused interned strings. The lock's own critical
// section is never held while a thread sleeps, runs queued calls or
// touches the blocking screen.
//
// Grants (TryAcquire):
//   lock free                          exclusive: granted
//                                      shared: granted unless a writer waits
//   held, caller a holder              shared: granted (either mode)
//                                      exclusive: granted only when every hold
//                                      is the caller's and the lock is exclusive
//   held, caller not a holder          exclusive: refused
//                                      shared: granted unless exclusive or a
//                                      writer waits
// A thread that holds only shared holds and asks for an exclusive one waits
// for ever; callers release shared holds first.
#include <cstdint>
#include <map>
#include <vector>

#include "engine/Sync.h"

class EngineLock {
public:
    using ThreadId = uint64_t;

    // The clock the waiting loop reads and sleeps with; tests replace it so
    // the 15 s rhythm runs without waiting.
    struct Clock {
        uint32_t (*ms)();
        void (*delay)(uint32_t milliseconds);
    };
    // Drops unused resources from the engine's resource cache. Start-up sets
    // it once the resource system exists (null: no resource system).
    using CachePurgeHook = void (*)();

    static EngineLock& Instance();

    EngineLock();
    ~EngineLock() = default;
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;

    // Grants or refuses at once, by the table above.
    bool TryAcquire(ThreadId threadId, bool exclusive);
    // Waits until granted; always returns true.
    bool Acquire(ThreadId threadId, bool exclusive);
    // Releases one hold of this thread; true when the lock became free. A
    // thread that holds nothing releases nothing (false).
    bool Release(ThreadId threadId);
    bool AcquireForCurrentThread(bool exclusive);
    bool ReleaseForCurrentThread();
    // Drops one hold without naming its thread (for a queued call that
    // carried a hold and was discarded): the hold count goes down, the
    // exclusive flag is cleared.
    void DropHold();
    // The first holder while the lock is exclusive, else 0.
    ThreadId ExclusiveOwner();

    int32_t HoldCount();
    bool IsExclusive();
    int32_t WaitingWriters();
    // Set at every release, reset at every grant.
    bool IsFreeEventSet() const { return m_freeEvent.IsSet(); }

    static void SetClock(const Clock& clock);
    static void UseEngineClock();
    static void SetCachePurgeHook(CachePurgeHook hook);

private:
    void AddWaitingWriter(int32_t delta);

    int32_t m_holdCount = 0;
    bool m_exclusive = false;
    int32_t m_waitingWriters = 0;
    Vek::CriticalSection m_lock;
    Vek::WEvent m_freeEvent{true, true};
    // One entry per hold.
    std::vector<ThreadId> m_holders;
};

// Which thread waits for the engine lock, and whether a wait would close a
// cycle. The program's own waits do not use it.
class EngineLockWaits {
public:
    static EngineLockWaits& Instance();

    void NoteWaiting(EngineLock::ThreadId threadId, EngineLock* lock = &EngineLock::Instance());
    void ClearWaiting(EngineLock::ThreadId threadId);
    // Follows owner -> the lock it waits for -> its owner ... from the
    // engine lock: true when the chain comes back to the asking thread (or
    // meets the owner id -1) or runs longer than 129 steps; false when an
    // owner waits for nothing.
    bool WouldDeadlock(EngineLock::ThreadId askingThreadId);

private:
    Vek::CriticalSection m_lock;
    std::map<EngineLock::ThreadId, EngineLock*> m_waiting;
};
