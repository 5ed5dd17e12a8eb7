#pragma once
// GSScriptMemoryBudget: the one byte budget for everything a script can make
// grow. A downloaded library runs with an execution budget, but within it a
// loop can still make arrays and strings fast enough to exhaust the machine;
// this budget stops it first.
//
// Charged against it, while they live:
// - the script-object heap (values, instances, native holders), by the
//   memory it has committed, which it keeps and reuses;
// - every array element store, by its bytes;
// - every string text, by its room beyond the object (GSString);
// - every HTML buffer's storage.
// A charge that would take the total beyond the limit is refused: the
// allocation fails the way it fails when memory runs out (null object,
// false from the growing call, which the interpreter turns into its error),
// nothing changes, and one line is logged. Charges that cannot fail (the
// text of a string a native makes from its own data) are taken anyway, so
// the total may pass the limit by such a text; every later refused charge
// then waits until memory is given back. Where a script can make natives
// hand it such texts again and again (GSStack::PushString and PushPString),
// Fits is asked first.
//
// Process-wide, like the heap it covers. Thread-safe; a charge is one
// atomic add and a compare.
#include <atomic>
#include <cstdint>

namespace GSRuntime {

class GSScriptMemoryBudget {
public:
    // 512 MiB: far above what a script of the simulator keeps, far below the
    // memory of the machines it runs on.
    static constexpr uint64_t kDefaultLimit = uint64_t(512) << 20;

    // Charges `bytes`; false, nothing charged, when the total would pass
    // the limit.
    static bool Take(uint64_t bytes) {
        const uint64_t used = s_used.fetch_add(bytes, std::memory_order_relaxed) + bytes;
        if (used <= s_limit.load(std::memory_order_relaxed)) {
            if (s_reported.load(std::memory_order_relaxed)) s_reported.store(false, std::memory_order_relaxed);
            return true;
        }
        s_used.fetch_sub(bytes, std::memory_order_relaxed);
        Refused(bytes);
        return false;
    }
    // True when `bytes` more would stay within the limit (refused and logged
    // as Take refuses otherwise); for code that then makes a value whose
    // constructor charges with Force.
    static bool Fits(uint64_t bytes) {
        if (s_used.load(std::memory_order_relaxed) + bytes <= s_limit.load(std::memory_order_relaxed)) return true;
        Refused(bytes);
        return false;
    }
    // Charges `bytes` whatever the total.
    static void Force(uint64_t bytes) { s_used.fetch_add(bytes, std::memory_order_relaxed); }
    // Gives back what Take or Force charged.
    static void Give(uint64_t bytes) { s_used.fetch_sub(bytes, std::memory_order_relaxed); }

    static uint64_t Used() { return s_used.load(std::memory_order_relaxed); }
    static uint64_t Limit() { return s_limit.load(std::memory_order_relaxed); }
    // Sets the limit and answers the previous one. Lowering it below what is
    // in use refuses every charge until enough is given back.
    static uint64_t SetLimit(uint64_t bytes);

private:
    // Logs the refusal, once until a charge succeeds again, so that a script
    // that keeps asking does not flood the log.
    static void Refused(uint64_t bytes);

    static inline std::atomic<uint64_t> s_used{0};
    static inline std::atomic<uint64_t> s_limit{kDefaultLimit};
    static inline std::atomic<bool> s_reported{false};
};

}  // namespace GSRuntime
