#pragma once
// The owner's handle of one overlapped-loader job and of what it produced.
//
// The handle owns its result: a result still held when the handle gives
// the job up (Cancel, destruction) is freed with the deleter given with it,
// so a job cancelled after it produced something does not leak it. A
// completion that hands the result on takes it (TakeResult).
#include <cstdint>

class OverlappedResource;

class Overlapped {
public:
    using ResultDeleter = void (*)(void* result);

    Overlapped() = default;
    // As Cancel.
    virtual ~Overlapped();
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    // Deletes a job in state 0 or 4 and forgets it; true when no job
    // remains.
    bool IsDone();
    // After the same disposal: 2 when no job remains, else 1.
    int32_t GetStatus();
    // Sets the job's cancelled flag, finishes, deletes and forgets it, and
    // frees a result still held: Finish's result, false without a job.
    bool Cancel();
    // Sets the job's cancelled flag and finishes it, without deleting it.
    static bool CancelJob(OverlappedResource* job);

    void SetResult(void* value, ResultDeleter deleter) {
        FreeResult();
        result = value;
        resultDeleter = deleter;
    }
    // Hands the result over to the caller; the handle holds none afterwards.
    void* TakeResult() {
        void* value = result;
        result = nullptr;
        return value;
    }
    void FreeResult();

    void* result = nullptr;
    ResultDeleter resultDeleter = nullptr;
    OverlappedResource* job = nullptr;
};
