#pragma once
// FragmentSet: the pieces of one sequenced packet that arrived as
// fragments, until every piece is there.
#include <cstdint>
#include <vector>

class TMEPacket;

class FragmentSet {
public:
    // The most fragments a packet is split into.
    static constexpr int kMaxFragments = 127;
    // A reassembly whose pieces hold more than this can never be accepted
    // (longer payloads are dropped on arrival), so its pieces are let go.
    static constexpr std::size_t kMaxBytes = 65536;

    // Stores the piece of a fragment byte (index in the low 7 bits, bit 7 on
    // the last fragment), replacing an earlier piece of the same index.
    void Add(uint8_t fragmentByte, const uint8_t* bytes, int length);
    // True when the last fragment has arrived and every piece before it is
    // present (an empty piece counts as missing).
    bool IsComplete() const;
    // The pieces joined in index order, as a packet positioned at its start.
    TMEPacket* Join() const;

    int32_t Total() const { return m_total; }

private:
    std::size_t StoredBytes() const;

    int32_t m_total = 0;
    std::vector<std::vector<uint8_t>> m_pieces;
};
