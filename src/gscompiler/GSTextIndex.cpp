#include "gscompiler/GSTextIndex.h"

#include <cstring>
#include <functional>

uint32_t GSTextIndex::Hash(std::string_view text) {
    const std::size_t hash = std::hash<std::string_view>()(text);
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

void GSTextIndex::Grow() {
    if ((m_count + 1) * 2 <= m_slots.size()) return;
    std::vector<Slot> slots(m_slots.empty() ? kInitialSlots : m_slots.size() * 2, Slot{0, kEmpty});
    const std::size_t mask = slots.size() - 1;
    for (const Slot& slot : m_slots) {
        if (slot.number == kEmpty) continue;
        std::size_t at = slot.hash & mask;
        while (slots[at].number != kEmpty) at = (at + 1) & mask;
        slots[at] = slot;
    }
    m_slots.swap(slots);
}

uint32_t GSTextIndex::FindOrAdd(std::string_view text, uint32_t number, const std::vector<const char*>& texts) {
    Grow();
    const uint32_t hash = Hash(text);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    for (; m_slots[at].number != kEmpty; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.hash != hash) continue;
        const char* known = texts[slot.number];
        if (std::strncmp(known, text.data(), text.size()) == 0 && known[text.size()] == '\0') return slot.number;
    }
    m_slots[at] = Slot{hash, number};
    m_count += 1;
    return number;
}

void GSTextIndex::Clear() {
    std::vector<Slot>().swap(m_slots);
    m_count = 0;
}
