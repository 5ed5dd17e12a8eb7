#include "foundation/soups/IndexedKuidSet.h"

bool IndexedKuidSet::AddUniqueNonNull(const KUID& kuid) {
    if (kuid.IsNull() || Contains(kuid)) return false;
    const uint32_t index = m_set.Add(kuid);
    // Add appends to the last block, the one before the first in the ring.
    m_slots.emplace(kuid, Slot{m_set.FirstBlock()->Prev(), index});
    return true;
}

bool IndexedKuidSet::Remove(const KUID& kuid) {
    const auto found = m_slots.find(kuid);
    if (found == m_slots.end()) return false;
    const Slot slot = found->second;
    m_slots.erase(found);
    const uint32_t last = slot.block->Count() - 1;
    if (slot.index != last) m_slots[slot.block->Slot(last)] = slot;
    m_set.Remove(m_set.At(slot.block, slot.index));
    return true;
}
