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
// Process-wide, like the heap it covers, and kept per context as well
// (GSScriptMemoryAccount): the charges that take an account count against
// the context's own limit too (kDefaultContextLimit), a refusal names the
// context, and what a context still holds when it ends is given back then.
// Memory that belongs to no context (the heap's committed memory) is
// charged to the process alone. Thread-safe; a charge is one atomic add and
// a compare (two with an account).
#include <atomic>
#include <cstdint>

namespace GSRuntime {

class GSScriptMemoryAccount;

class GSScriptMemoryBudget {
public:
    // 512 MiB: far above what a script of the simulator keeps, far below the
    // memory of the machines it runs on.
    static constexpr uint64_t kDefaultLimit = uint64_t(512) << 20;
    // 256 MiB: one context may hold half of the default budget, so that one
    // context's scripts cannot leave the others without room.
    static constexpr uint64_t kDefaultContextLimit = uint64_t(256) << 20;

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

    // The same for a charge of a context: `account` (null: the process
    // alone) is charged beside the process and must stay within the
    // per-context limit as well. A closed account's charges and gives no
    // longer reach the process (its context's end gave them back), and
    // nothing is refused for it.
    static bool Take(GSScriptMemoryAccount* account, uint64_t bytes);
    static bool Fits(GSScriptMemoryAccount* account, uint64_t bytes);
    static void Force(GSScriptMemoryAccount* account, uint64_t bytes);
    static void Give(GSScriptMemoryAccount* account, uint64_t bytes);

    static uint64_t Used() { return s_used.load(std::memory_order_relaxed); }
    static uint64_t Limit() { return s_limit.load(std::memory_order_relaxed); }
    // Sets the limit and answers the previous one. Lowering it below what is
    // in use refuses every charge until enough is given back.
    static uint64_t SetLimit(uint64_t bytes);
    static uint64_t ContextLimit() { return s_contextLimit.load(std::memory_order_relaxed); }
    // Sets the per-context limit and answers the previous one.
    static uint64_t SetContextLimit(uint64_t bytes);

private:
    // Logs the refusal, once until a charge succeeds again, so that a script
    // that keeps asking does not flood the log; names the account's context
    // when there is one.
    static void Refused(uint64_t bytes, const GSScriptMemoryAccount* account = nullptr);
    static bool AccountFits(const GSScriptMemoryAccount* account, uint64_t bytes);

    static inline std::atomic<uint64_t> s_used{0};
    static inline std::atomic<uint64_t> s_limit{kDefaultLimit};
    static inline std::atomic<uint64_t> s_contextLimit{kDefaultContextLimit};
    static inline std::atomic<bool> s_reported{false};
};

}  // namespace GSRuntime
