#pragma once
// GSScriptMemoryAccount: one context's share of the script memory budget
// (GSScriptMemoryBudget). What a script makes in a context is charged to
// the context's account as well as to the process, so that
// - one context cannot hold more than the per-context limit, and the
//   others keep room to run;
// - a refusal names the context that hit a limit;
// - what the context still holds when it ends (soups it made that live on
//   elsewhere, its share of the offline outbox) is given back to the
//   process at once: Close.
// After Close the account still counts what its objects give back, but
// neither charges nor gives reach the process any more.
//
// Counted: the context holds one reference, and so does every object that
// may outlive the context and give back to its account later (soup nodes
// and blocks, large strings, array stores). Thread-safe.
#include <atomic>
#include <cstdint>
#include <string>

#include "foundation/soups/SoupMemoryCharge.h"

namespace GSRuntime {

class GSContext;

class GSScriptMemoryAccount final : public SoupChargeAccount {
public:
    // A new account with one reference for the caller.
    explicit GSScriptMemoryAccount(std::string name) : m_name(std::move(name)) {}
    GSScriptMemoryAccount(const GSScriptMemoryAccount&) = delete;
    GSScriptMemoryAccount& operator=(const GSScriptMemoryAccount&) = delete;

    // The account of a context; null for none (charges go to the process
    // alone).
    static GSScriptMemoryAccount* Of(const GSContext* context);

    void AddReference() { m_references.fetch_add(1, std::memory_order_relaxed); }
    void ReleaseReference() {
        if (m_references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    const std::string& Name() const { return m_name; }
    uint64_t Used() const { return m_used.load(std::memory_order_relaxed); }
    bool IsClosed() const { return m_closed.load(std::memory_order_acquire); }

    // The context has ended: what the account holds goes back to the
    // process.
    void Close();

    // Used by GSScriptMemoryBudget.
    void Add(uint64_t bytes) { m_used.fetch_add(bytes, std::memory_order_relaxed); }
    void Sub(uint64_t bytes) { m_used.fetch_sub(bytes, std::memory_order_relaxed); }

    // ---- SoupChargeAccount ----
    void ForceCharge(uint64_t bytes) override;
    void GiveCharge(uint64_t bytes) override;
    void AddChargeReference() override { AddReference(); }
    void ReleaseChargeReference() override { ReleaseReference(); }

private:
    ~GSScriptMemoryAccount() = default;

    std::string m_name;
    std::atomic<uint64_t> m_used{0};
    std::atomic<int32_t> m_references{1};
    std::atomic<bool> m_closed{false};
};

}  // namespace GSRuntime
