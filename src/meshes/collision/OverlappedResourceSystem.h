#pragma once
// The overlapped loader: a worker thread that loads queued jobs, the
// longest-waiting first, and the finishing side that completes them on the
// thread that needs their result.
//
// Queue: a max-heap keyed by age (seconds since the job's creation,
// recomputed at every pick), at most kMaxQueued jobs. The worker wakes at
// least once a second to notice a stop request, and sleeps 1 ms between
// picks.
//
// Finish: a queued job is taken back and loaded on the calling thread; a
// job the worker is loading is waited for; a loaded job is completed on the
// calling thread. Up to kWaitSlots threads finish jobs at once, each in a
// wait slot; a thread finishing a job that another slot holds waits until
// that slot is given back, so two threads finishing one job take turns.
//
// Lock order: the worker takes the job count, the current-job lock, then
// the queue lock, and the system lock inside them; Finish takes the queue
// lock (only inside Expedite, never while waiting for the current-job
// lock), then the wait-slot lock, and the system lock briefly.
//
// The clock gives seconds; tests give a fake one. The worker's priority is
// kept as a number (2 while a finishing thread waits for it, else 0): normal
// threads cannot be raised above their peers on Linux without privileges.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

#include "meshes/collision/Overlapped.h"
#include "meshes/collision/OverlappedResource.h"

class OverlappedResourceSystem {
public:
    using Clock = std::function<float()>;
    static constexpr int32_t kMaxQueued = 5000;
    static constexpr int kWaitSlots = 8;

    // Starts the worker and makes this the process-wide loader. Without a
    // clock, seconds of the steady clock.
    explicit OverlappedResourceSystem(Clock clock = {});
    // Stops and joins the worker, empties the queue and the loaded list and
    // clears the process-wide loader.
    virtual ~OverlappedResourceSystem();
    OverlappedResourceSystem(const OverlappedResourceSystem&) = delete;
    OverlappedResourceSystem& operator=(const OverlappedResourceSystem&) = delete;

    // The process-wide loader, or null (none is made by the program).
    static OverlappedResourceSystem* Instance();

    float Now() const { return m_clock(); }

    // Queues an idle or completed job; a job in flight, or a full queue,
    // takes nothing.
    void Queue(OverlappedResource* job);
    // Links job and handle, then queues the job.
    void Submit(Overlapped* handle, OverlappedResource* job);
    // True when the job ends completed.
    bool Finish(OverlappedResource* job);
    void Expedite(OverlappedResource* job);

    int32_t QueuedCount();
    int32_t LoadedCount();
    int32_t WorkerPriority() const { return m_priority.load(); }

private:
    struct WaitSlot {
        OverlappedResource* job = nullptr;
        bool inUse = false;
    };

    void Run();
    void SiftUp(std::size_t position);
    void SiftDown(std::size_t position);
    void RemoveQueuedAt(std::size_t position);
    void ReleaseSlot(WaitSlot* slot);
    // Whether a slot holds `job` (under the wait-slot lock).
    bool HoldsSlot(const OverlappedResource* job) const;
    // Completes a loaded job taken off the loaded list: true when completed.
    bool CompleteLoaded(OverlappedResource* job);

    Clock m_clock;

    // The worker's side.
    std::mutex m_queueLock;
    std::vector<OverlappedResource*> m_queue;
    std::counting_semaphore<(1 << 24)> m_jobCount{0};
    std::mutex m_currentLock;
    OverlappedResource* m_current = nullptr;  // under m_queueLock
    std::atomic<bool> m_stop{false};
    std::atomic<int32_t> m_priority{0};

    // Loaded jobs waiting for completion.
    std::mutex m_systemLock;
    std::list<OverlappedResource*> m_loaded;

    // The finishing side.
    WaitSlot m_slots[kWaitSlots];
    std::mutex m_slotLock;
    // Signalled whenever a slot is given back.
    std::condition_variable m_slotFreed;
    std::counting_semaphore<kWaitSlots> m_freeSlots{kWaitSlots};

    std::thread m_worker;
};
