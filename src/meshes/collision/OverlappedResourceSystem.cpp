#include "meshes/collision/OverlappedResourceSystem.h"

#include <algorithm>
#include <chrono>

namespace {

std::atomic<OverlappedResourceSystem*> g_instance{nullptr};

float SteadySeconds() {
    using namespace std::chrono;
    return duration<float>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

OverlappedResourceSystem::OverlappedResourceSystem(Clock clock) : m_clock(clock ? std::move(clock) : SteadySeconds) {
    m_queue.reserve(std::size_t(kMaxQueued));
    g_instance.store(this);
    m_worker = std::thread([this] { Run(); });
}

OverlappedResourceSystem::~OverlappedResourceSystem() {
    m_stop.store(true);
    m_jobCount.release();  // wakes the worker at once
    if (m_worker.joinable()) m_worker.join();
    {
        std::lock_guard<std::mutex> queue(m_queueLock);
        // The jobs left forget the loader, so their handles do not reach it.
        for (OverlappedResource* job : m_queue) {
            job->ChangeState(OverlappedResource::kQueued, OverlappedResource::kIdle);
            job->system = nullptr;
        }
        m_queue.clear();
    }
    {
        std::lock_guard<std::mutex> system(m_systemLock);
        for (OverlappedResource* job : m_loaded) job->system = nullptr;
        m_loaded.clear();
    }
    OverlappedResourceSystem* self = this;
    g_instance.compare_exchange_strong(self, nullptr);
}

OverlappedResourceSystem* OverlappedResourceSystem::Instance() { return g_instance.load(); }

int32_t OverlappedResourceSystem::QueuedCount() {
    std::lock_guard<std::mutex> queue(m_queueLock);
    return int32_t(m_queue.size());
}

int32_t OverlappedResourceSystem::LoadedCount() {
    std::lock_guard<std::mutex> system(m_systemLock);
    return int32_t(m_loaded.size());
}

void OverlappedResourceSystem::SiftUp(std::size_t position) {
    while (position > 0) {
        const std::size_t parent = (position - 1) / 2;
        if (!(m_queue[parent]->age < m_queue[position]->age)) break;
        std::swap(m_queue[parent], m_queue[position]);
        position = parent;
    }
}

void OverlappedResourceSystem::SiftDown(std::size_t position) {
    const std::size_t count = m_queue.size();
    for (;;) {
        const std::size_t first = 2 * position + 1, second = first + 1;
        if (first >= count) break;
        // The older child rises; on equal ages the second.
        std::size_t child = first;
        if (second < count && !(m_queue[second]->age < m_queue[first]->age)) child = second;
        if (!(m_queue[position]->age < m_queue[child]->age)) break;
        std::swap(m_queue[position], m_queue[child]);
        position = child;
    }
}

void OverlappedResourceSystem::RemoveQueuedAt(std::size_t position) {
    const float removedAge = m_queue[position]->age;
    m_queue[position] = m_queue.back();
    m_queue.pop_back();
    if (position >= m_queue.size()) return;
    if (m_queue[position]->age < removedAge)
        SiftDown(position);
    else
        SiftUp(position);
}

void OverlappedResourceSystem::Queue(OverlappedResource* job) {
    if (!job) return;
    {
        std::lock_guard<std::mutex> queue(m_queueLock);
        // Only a job at rest is queued: one queued, being loaded, loaded or
        // taken back is in flight, and queued again it would sit in the
        // queue and on the loaded list at once.
        const int32_t state = job->GetState();
        if (int32_t(m_queue.size()) >= kMaxQueued ||
            (state != OverlappedResource::kIdle && state != OverlappedResource::kCompleted))
            return;
        job->system = this;
        job->SetState(OverlappedResource::kQueued);
        m_queue.push_back(job);
        SiftUp(m_queue.size() - 1);
    }
    m_jobCount.release();
}

void OverlappedResourceSystem::Submit(Overlapped* handle, OverlappedResource* job) {
    if (!handle || !job) return;
    job->handle = handle;
    job->system = this;
    handle->job = job;
    Queue(job);
}

void OverlappedResourceSystem::Run() {
    using namespace std::chrono_literals;
    while (!m_stop.load()) {
        std::this_thread::sleep_for(1ms);
        if (!m_jobCount.try_acquire_for(1000ms) || m_stop.load()) continue;
        std::lock_guard<std::mutex> current(m_currentLock);
        OverlappedResource* job = nullptr;
        {
            std::lock_guard<std::mutex> queue(m_queueLock);
            if (!m_queue.empty()) {
                const float now = m_clock();
                for (OverlappedResource* queued : m_queue) queued->age = now - queued->created;
                for (std::size_t k = 1; k < m_queue.size(); ++k) SiftUp(k);
                job = m_queue.front();
                m_queue.front() = m_queue.back();
                m_queue.pop_back();
                if (!m_queue.empty()) SiftDown(0);
                job->SetState(OverlappedResource::kLoading);
                m_current = job;
            }
        }
        if (!job) continue;
        if (job->Load()) {
            std::lock_guard<std::mutex> system(m_systemLock);
            m_loaded.push_back(job);
            job->ChangeState(OverlappedResource::kLoading, OverlappedResource::kLoaded);
        } else {
            job->SetState(OverlappedResource::kIdle);
        }
        std::lock_guard<std::mutex> queue(m_queueLock);
        m_current = nullptr;
    }
}

void OverlappedResourceSystem::Expedite(OverlappedResource* job) {
    std::unique_lock<std::mutex> queue(m_queueLock);
    if (job->GetState() == OverlappedResource::kQueued) {
        auto it = std::find(m_queue.begin(), m_queue.end(), job);
        if (it != m_queue.end()) {
            RemoveQueuedAt(std::size_t(it - m_queue.begin()));
            // The worker may hold this count already; then it finds the
            // queue without the job.
            (void)m_jobCount.try_acquire();
        }
        job->SetState(OverlappedResource::kTakenBack);
        return;
    }
    if (m_current != job) return;
    queue.unlock();
    m_priority.store(2);
    // Waits until the worker is done with its current job.
    { std::lock_guard<std::mutex> current(m_currentLock); }
    m_priority.store(0);
}

bool OverlappedResourceSystem::CompleteLoaded(OverlappedResource* job) {
    {
        std::lock_guard<std::mutex> system(m_systemLock);
        m_loaded.remove(job);
    }
    if (job->ChangeState(OverlappedResource::kLoaded, OverlappedResource::kLoading))
        job->SetState(job->Complete() ? OverlappedResource::kCompleted : OverlappedResource::kIdle);
    return job->GetState() == OverlappedResource::kCompleted;
}

void OverlappedResourceSystem::ReleaseSlot(WaitSlot* slot) {
    {
        std::lock_guard<std::mutex> slots(m_slotLock);
        slot->job = nullptr;
        slot->inUse = false;
    }
    m_slotFreed.notify_all();
    m_freeSlots.release();
}

bool OverlappedResourceSystem::HoldsSlot(const OverlappedResource* job) const {
    for (const WaitSlot& slot : m_slots)
        if (slot.inUse && slot.job == job) return true;
    return false;
}

bool OverlappedResourceSystem::Finish(OverlappedResource* job) {
    if (!job) return false;
    const int32_t state = job->GetState();
    if (state == OverlappedResource::kQueued || state == OverlappedResource::kLoading) Expedite(job);
    if (job->GetState() == OverlappedResource::kCompleted) return true;

    // Take a wait slot. Another thread finishing the same job holds one:
    // wait until it is done with it, then claim one in turn.
    m_freeSlots.acquire();
    WaitSlot* mine = nullptr;
    {
        std::unique_lock<std::mutex> slots(m_slotLock);
        m_slotFreed.wait(slots, [&] { return !HoldsSlot(job); });
        for (WaitSlot& slot : m_slots)
            if (!slot.inUse) {
                mine = &slot;
                break;
            }
        mine->inUse = true;
        mine->job = job;
    }

    if (job->GetState() == OverlappedResource::kLoaded) CompleteLoaded(job);
    if (job->GetState() == OverlappedResource::kCompleted) {
        ReleaseSlot(mine);
        return true;
    }
    if (job->cancelled.load()) job->SetState(OverlappedResource::kIdle);
    if (job->GetState() != OverlappedResource::kIdle) {
        // Taken back from the queue: loaded here.
        if (job->Load()) {
            job->SetState(OverlappedResource::kLoaded);
            job->SetState(job->Complete() ? OverlappedResource::kCompleted : OverlappedResource::kIdle);
            if (job->GetState() == OverlappedResource::kCompleted) {
                ReleaseSlot(mine);
                return true;
            }
        } else {
            job->SetState(OverlappedResource::kIdle);
        }
    }
    ReleaseSlot(mine);
    return false;
}
