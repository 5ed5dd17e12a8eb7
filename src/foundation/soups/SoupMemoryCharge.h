#pragma once
// Who pays for the memory of soups that scripts make. Soups belong to the
// whole program (configurations, archives, the tools); only the nodes and
// value blocks made while a charge scope is open on the thread are charged,
// to the scope's account, and each gives its charge back to that same
// account when it is destroyed, whoever destroys it and whenever.
//
// What is charged (estimates of the allocations, not exact sizes):
// - an editable container or value node: its object size;
// - every pair a charged container holds: kSoupPairCharge (the pair in the
//   container's ring, its share of the ring's block and of the name index);
//   given back when the pair is removed;
// - an owning value block: its bytes and its object.
// Views of other blocks cost nothing more. The charge cannot fail: a caller
// that may be refused asks its account for room first.
#include <cstdint>

class SoupChargeAccount {
public:
    virtual void ForceCharge(uint64_t bytes) = 0;
    virtual void GiveCharge(uint64_t bytes) = 0;
    virtual void AddChargeReference() = 0;
    virtual void ReleaseChargeReference() = 0;

protected:
    ~SoupChargeAccount() = default;
};

constexpr uint64_t kSoupPairCharge = 48;

// What one soup object has charged: its account (counted) and the bytes.
class SoupCharge {
public:
    SoupCharge() = default;
    SoupCharge(const SoupCharge&) = delete;
    SoupCharge& operator=(const SoupCharge&) = delete;
    ~SoupCharge() { Clear(); }

    // Charges `bytes` to the account this object already pays to, or else
    // to the open scope's; nothing when there is neither.
    void Add(uint64_t bytes);
    // Gives back `bytes` of what was charged (never more than that).
    void Sub(uint64_t bytes);
    // Gives everything back and forgets the account.
    void Clear();
    uint64_t Bytes() const { return m_bytes; }

private:
    SoupChargeAccount* m_account = nullptr;
    uint64_t m_bytes = 0;
};

// While it lives, soup memory made on this thread is charged to `account`
// (null: to nobody). Scopes nest; the previous one is restored.
class SoupChargeScope {
public:
    explicit SoupChargeScope(SoupChargeAccount* account);
    ~SoupChargeScope();
    SoupChargeScope(const SoupChargeScope&) = delete;
    SoupChargeScope& operator=(const SoupChargeScope&) = delete;

    static SoupChargeAccount* Current();

private:
    SoupChargeAccount* m_previous;
};
