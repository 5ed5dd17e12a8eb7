#pragma once
// Probes and waits shared by the dispatcher and worker-chain tests.
#include <atomic>
#include <chrono>
#include <csignal>
#include <sys/mman.h>
#include <thread>

#include "engine/Sync.h"
#include "engine/Thread.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"

namespace DispatcherTest {

// A call that notes where it ran, and that can be held at a gate.
struct Probe {
    explicit Probe(bool gateOpen = true) : gate(true, gateOpen) {}
    int32_t Run(CallArgument argument) {
        thread.store(Vek::Thread::GetCurrentId());
        received.store(argument);
        started.store(true);
        gate.Wait(10000);
        finished.store(true);
        return 0;
    }
    TCXCallback Callback() { return MakeMemberCallback(this, &Probe::Run); }

    Vek::WEvent gate;
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    std::atomic<ThreadId> thread{0};
    std::atomic<CallArgument> received{-1};
};

// Polls `done` for up to five seconds; the main thread pumps meanwhile when
// `pump` is set.
template <typename Predicate>
bool WaitUntil(Predicate done, bool pump = false) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (pump) CallDispatcher::Instance().PumpMainThread();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A genuine segmentation fault: a write to a page that allows no access.
inline int32_t WriteToForbiddenPage(CallArgument) {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
    return 0;
}

}  // namespace DispatcherTest
