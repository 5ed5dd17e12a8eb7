#pragma once
// One job of the overlapped loader: slow preparation work (Load, on the
// loader's worker thread or on a thread that finishes the job) followed by
// its completion (Complete, on the finishing thread).
//
// States: 0 idle (never queued, failed or cancelled), 1 queued, 2 being
// loaded by the worker, 3 loaded and waiting for completion, 4 completed,
// 5 taken back from the queue, to be loaded by the finishing thread.
//
// This file and the other loader files use only the standard library, so
// the loader can be built alone under ThreadSanitizer.
#include <atomic>
#include <cstdint>
#include <string>

class Overlapped;
class OverlappedResourceSystem;

class OverlappedResource {
public:
    enum State : int32_t { kIdle = 0, kQueued = 1, kLoading = 2, kLoaded = 3, kCompleted = 4, kTakenBack = 5 };

    // `created` is the loader clock's time at construction (seconds).
    explicit OverlappedResource(float created);
    virtual ~OverlappedResource() = default;
    OverlappedResource(const OverlappedResource&) = delete;
    OverlappedResource& operator=(const OverlappedResource&) = delete;

    virtual bool Load() { return true; }
    virtual bool Complete() { return true; }

    int32_t GetState() const { return state.load(); }
    void SetState(int32_t s) { state.store(s); }
    // Moves the state from `from` to `to`; false when it was not `from`.
    bool ChangeState(int32_t from, int32_t to) { return state.compare_exchange_strong(from, to); }

    Overlapped* handle = nullptr;
    OverlappedResourceSystem* system = nullptr;
    std::string name = "unknown";
    // Seconds waited, recomputed whenever the worker picks (under the
    // queue lock).
    float age = 0.0f;
    std::atomic<int32_t> state{kIdle};
    float created;
    std::atomic<bool> cancelled{false};
};

// A job made of two functions over one user pointer.
class OverlappedResourceCallback : public OverlappedResource {
public:
    using Function = bool (*)(void* userData);

    OverlappedResourceCallback(float created, void* userData, Function load, Function complete)
        : OverlappedResource(created), userData(userData), loadFunction(load), completeFunction(complete) {}

    bool Load() override { return loadFunction ? loadFunction(userData) : true; }
    bool Complete() override { return completeFunction ? completeFunction(userData) : true; }

    void* userData;
    Function loadFunction;
    Function completeFunction;
};
