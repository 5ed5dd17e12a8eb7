#pragma once
// GSPauseSlots: for the code offsets at which a frame of a function can
// stand while its thread is paused, the operand-stack slots that hold a
// reference there. A frame stands still
//   - after a call (Call, CallBase, CallNative): the callee runs above it,
//     or a native slept and the thread resumes after the call;
//   - at a message wait, and at the wait's handlers once a message has
//     resumed the thread (the message object then on top).
// The flow verifier, which knows the kind of every slot on every path,
// fills it; a context's teardown reads it to cut references into the
// dying context from paused threads' operand stacks (GSStack). Only points
// with at least one such slot are kept: a point's offset and the end of its
// run of slot entries (8 bytes), then 2 bytes per slot.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace GSRuntime {

class GSPauseSlots {
public:
    // A slot entry: the position above the frame's header (0 the first
    // operand slot), with kCallResult set for the result of a call that may
    // return a value or a reference, still in the slot the call left it in
    // (GSStack::ResultShapeAt says which it is).
    static constexpr uint16_t kCallResult = 0x8000;
    static constexpr uint16_t kPositionMask = 0x7fff;

    // Points are added in increasing offset order.
    void Add(uint32_t offset, const std::vector<uint16_t>& slots) {
        if (slots.empty()) return;
        m_slots.insert(m_slots.end(), slots.begin(), slots.end());
        m_points.push_back({offset, static_cast<uint32_t>(m_slots.size())});
    }

    // The slot entries of the point at `offset` ([first, last)); empty when
    // no reference stands on the operand stack there.
    void At(uint32_t offset, const uint16_t*& first, const uint16_t*& last) const {
        first = last = nullptr;
        const auto point = std::lower_bound(m_points.begin(), m_points.end(), offset,
                                            [](const Point& p, uint32_t o) { return p.offset < o; });
        if (point == m_points.end() || point->offset != offset) return;
        const uint32_t begin = point == m_points.begin() ? 0 : (point - 1)->end;
        first = m_slots.data() + begin;
        last = m_slots.data() + point->end;
    }

    bool Empty() const { return m_points.empty(); }
    // Bytes held by the map (its entries, not the vectors' spare capacity).
    std::size_t Bytes() const { return m_points.size() * sizeof(Point) + m_slots.size() * sizeof(uint16_t); }
    void ShrinkToFit() {
        m_points.shrink_to_fit();
        m_slots.shrink_to_fit();
    }

private:
    struct Point {
        uint32_t offset;
        uint32_t end;  // one past its last entry in m_slots
    };
    std::vector<Point> m_points;
    std::vector<uint16_t> m_slots;
};

}  // namespace GSRuntime
