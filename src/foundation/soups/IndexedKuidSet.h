#pragma once
// A KUID set (block-ring list without duplicates, SoupKuidSets.h) with a
// hash index beside it, for lists that grow by thousands: asking whether a
// KUID is held, adding one and removing one cost constant time instead of
// a walk of the list. The list keeps exactly the order and block layout
// that the same adds and removes give a plain KuidSet.
#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupKuidSets.h"

class IndexedKuidSet {
public:
    IndexedKuidSet() = default;
    IndexedKuidSet(const IndexedKuidSet&) = delete;
    IndexedKuidSet& operator=(const IndexedKuidSet&) = delete;

    bool Contains(const KUID& kuid) const { return m_slots.count(kuid) != 0; }

    // KuidSet::AddUniqueNonNull: appends a KUID other than the null KUID
    // that the set does not hold; true when it was added.
    bool AddUniqueNonNull(const KUID& kuid);

    // KuidSet::Remove of the KUID: the last entry of its block takes its
    // place. False when the set does not hold it.
    bool Remove(const KUID& kuid);

    const KuidSet& Set() const { return m_set; }
    std::size_t Count() const { return m_slots.size(); }

    // A hash of KUIDs, for other containers keyed by them.
    struct Hash {
        std::size_t operator()(const KUID& kuid) const {
            const uint64_t a = static_cast<uint32_t>(kuid.GetUserID());
            const uint64_t b = static_cast<uint32_t>(kuid.GetContentID());
            const uint64_t c = static_cast<uint32_t>(kuid.GetVersion());
            return static_cast<std::size_t>(((a * 0x9E3779B97F4A7C15ull) ^ (b << 7) ^ c) * 0xBF58476D1CE4E5B9ull);
        }
    };

private:
    struct Slot {
        KuidSet::Block* block;
        uint32_t index;
    };

    KuidSet m_set;
    std::unordered_map<KUID, Slot, Hash> m_slots;
};
