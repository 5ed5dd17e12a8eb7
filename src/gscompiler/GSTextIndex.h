#pragma once
// GSTextIndex: the number of each distinct text of a table of texts kept by
// the caller (number i is texts[i]). One open-addressed array of slots holds
// each text's hash and number, so a look-up compares hashes in one block of
// memory and reads a text only when its hash matches.
#include <cstdint>
#include <string_view>
#include <vector>

class GSTextIndex {
public:
    // The number of `text` when `texts` already holds it; else `number`,
    // under which the text is now indexed (the caller's texts[number] must
    // be that text). May throw std::bad_alloc, and then adds nothing.
    uint32_t FindOrAdd(std::string_view text, uint32_t number, const std::vector<const char*>& texts);
    // Forgets every text and frees the slots.
    void Clear();

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::size_t kInitialSlots = 1024;  // a power of two
    struct Slot {
        uint32_t hash;
        uint32_t number;  // kEmpty: a free slot
    };
    static uint32_t Hash(std::string_view text);
    // Makes room for one more text: at most half the slots are used.
    void Grow();

    std::vector<Slot> m_slots;
    std::size_t m_count = 0;
};
