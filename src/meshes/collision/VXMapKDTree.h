#pragma once
// A map from D-coordinate positions to values, found by exact equality of
// every coordinate: an implicit k-d tree over an array of item pointers,
// rebuilt lazily, followed by a tail of items inserted since the last
// rebuild. Items come from a VXMemoryChain of BlockItems items a block and
// are never freed one by one.
//
// Rebuild policies (insert and removal): -1 never, -2 always, -3 automatic,
// n >= 0 when more than n operations are pending. Automatic: more than 1000
// pending, or more than 10 pending and the built part smaller than 8 times
// the pending inserts (4 times the pending removals). A lazy tree applies
// the policies before a search; otherwise after each insert.
//
// The collision tree's builder welds triangle corners with a
// VXMapKDTree<int, float, 3, 4000>.
#include <algorithm>
#include <cstdint>

#include "meshes/collision/VXArray.h"
#include "meshes/collision/VXMemoryChain.h"

template <typename Value, typename Coord, int D, int BlockItems>
class VXMapKDTree {
public:
    static constexpr uint8_t kPendingAxis = 255;

    struct Item {
        Coord position[D];
        uint8_t axis;
        uint8_t removed;
        Value value;
        Item* nextFree;
    };

    VXMapKDTree() : m_items(BlockItems), m_chain(BlockItems, sizeof(Item)) {}
    virtual ~VXMapKDTree() = default;
    VXMapKDTree(const VXMapKDTree&) = delete;
    VXMapKDTree& operator=(const VXMapKDTree&) = delete;

    void Insert(const Coord* position, const Value& value) {
        Item* item = m_free;
        if (item)
            m_free = item->nextFree;
        else
            item = static_cast<Item*>(m_chain.Allocate());
        for (int i = 0; i < D; ++i) item->position[i] = position[i];
        item->axis = kPendingAxis;
        item->removed = 0;
        item->value = value;
        item->nextFree = nullptr;
        m_items.Append(item);
        ++m_inserts;
        if (!m_lazy) ApplyPolicies();
    }

    // Fills `list` with the values of every item at exactly `position`: those
    // of the built part first in search order, then the pending ones in
    // insertion order. Returns their number.
    int32_t FindEqual(const Coord* position, VXArray<Value>& list) {
        if (m_lazy) ApplyPolicies();
        list.SetCount(0);
        m_result = &list;
        for (int i = 0; i < D; ++i) m_query[i] = position[i];
        if (m_built > 0) Search(0, m_built - 1);
        for (int32_t i = m_built; i < m_items.Count(); ++i) {
            const Item* item = m_items[i];
            if (!item->removed && Equal(*item)) list.Append(item->value);
        }
        m_result = nullptr;
        return list.Count();
    }

    void Rebuild() {
        m_built = m_items.Count();
        m_inserts = 0;
        m_removals = 0;
        Build(0, m_built - 1);
    }

    void SetPolicies(int32_t insertPolicy, int32_t removalPolicy, bool lazy) {
        m_insertPolicy = insertPolicy;
        m_removalPolicy = removalPolicy;
        m_lazy = lazy;
    }
    int32_t Count() const { return m_items.Count(); }
    int32_t BuiltCount() const { return m_built; }
    int32_t PendingInserts() const { return m_inserts; }

private:
    static bool Due(int32_t policy, int32_t pending, int32_t built, int32_t factor) {
        if (policy == -2) return true;
        if (policy >= 0) return policy < pending;
        if (policy == -3) return pending > 1000 || (pending > 10 && built < factor * pending);
        return false;
    }
    void ApplyPolicies() {
        if (Due(m_insertPolicy, m_inserts, m_built, 8) || Due(m_removalPolicy, m_removals, m_built, 4)) Rebuild();
    }

    // The build's order on one axis: ascending, with NaN after every number,
    // so that the order stays a strict weak ordering whatever the input.
    static bool Before(Coord a, Coord b) { return a < b || (a == a && b != b); }

    bool Equal(const Item& item) const {
        for (int i = 0; i < D; ++i)
            if (!(item.position[i] == m_query[i])) return false;
        return true;
    }

    void Search(int32_t lo, int32_t hi) {
        while (lo <= hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            const Item* item = m_items[mid];
            const Coord diff = m_query[item->axis] - item->position[item->axis];
            if (diff < 0) {
                hi = mid - 1;
            } else if (diff > 0) {
                lo = mid + 1;
            } else {
                if (!item->removed && Equal(*item)) m_result->Append(item->value);
                Search(lo, mid - 1);
                lo = mid + 1;
            }
        }
    }

    void Build(int32_t lo, int32_t hi) {
        if (lo > hi) return;
        if (lo == hi) {
            m_items[lo]->axis = 0;
            return;
        }
        Coord low[D], high[D];
        for (int i = 0; i < D; ++i) low[i] = high[i] = m_items[lo]->position[i];
        for (int32_t k = lo + 1; k <= hi; ++k)
            for (int i = 0; i < D; ++i) {
                low[i] = std::min(low[i], m_items[k]->position[i]);
                high[i] = std::max(high[i], m_items[k]->position[i]);
            }
        // The widest axis; on equal extents the earlier one.
        int axis = 0;
        for (int i = 1; i < D; ++i)
            if (high[i] - low[i] > high[axis] - low[axis]) axis = i;
        const int32_t mid = lo + (hi - lo) / 2;
        Item** first = m_items.Data() + lo;
        std::nth_element(first, m_items.Data() + mid, m_items.Data() + hi + 1,
                         [axis](const Item* a, const Item* b) { return Before(a->position[axis], b->position[axis]); });
        m_items[mid]->axis = static_cast<uint8_t>(axis);
        Build(lo, mid - 1);
        Build(mid + 1, hi);
    }

    VXArray<Item*> m_items;
    Item* m_free = nullptr;
    VXMemoryChain m_chain;
    int32_t m_built = 0;
    int32_t m_inserts = 0;
    int32_t m_removals = 0;
    int32_t m_insertPolicy = -3;
    int32_t m_removalPolicy = -3;
    bool m_lazy = true;
    VXArray<Value>* m_result = nullptr;
    Coord m_query[D] = {};
};
