#include "foundation/containers/IHashTable.h"

#include "engine/Alloc.h"

#include <iterator>
#include <new>

namespace Utils {

IHashTable::~IHashTable() { Free(); }

bool IHashTable::Init(uint32_t bucketCount) {
    Free();
    if (bucketCount == 0) return false;
    m_buckets = static_cast<IHashNode**>(Vek::Alloc::New(sizeof(IHashNode*) * bucketCount));
    if (!m_buckets) return false;
    for (uint32_t b = 0; b < bucketCount; ++b) m_buckets[b] = nullptr;
    m_bucketCount = bucketCount;
    return true;
}

void IHashTable::Free() {
    for (uint32_t b = 0; b < m_bucketCount; ++b) {
        IHashNode* node = m_buckets[b];
        while (node) {
            IHashNode* next = node->m_hashNext;
            node->m_hashNext = nullptr;
            node = next;
        }
    }
    Vek::Alloc::Delete(m_buckets);
    m_buckets = nullptr;
    m_bucketCount = 0;
    m_count = 0;
    m_index.reset();
}

bool IHashTable::IndexOrder::operator()(const IndexEntry& a, const IndexEntry& b) const {
    if (a.bucket != b.bucket) return a.bucket < b.bucket;
    return a.node->Compare(*b.node) < 0;
}

void IHashTable::IndexIfLoaded() {
    if (m_index || m_count <= kIndexedLoad * static_cast<int64_t>(m_bucketCount)) return;
    try {
        auto index = std::make_unique<Index>();
        for (uint32_t b = 0; b < m_bucketCount; ++b)
            for (IHashNode* node = m_buckets[b]; node; node = node->m_hashNext)
                index->insert(index->end(), IndexEntry{b, node});
        m_index = std::move(index);
    } catch (const std::bad_alloc&) {
        m_index.reset();
    }
}

IHashNode** IHashTable::IndexedSlot(const IHashNode& node, uint32_t bucket, Index::iterator& at) {
    at = m_index->lower_bound(IndexEntry{bucket, &node});
    if (at != m_index->begin()) {
        const IndexEntry& before = *std::prev(at);
        if (before.bucket == bucket) return &const_cast<IHashNode*>(before.node)->m_hashNext;
    }
    return &m_buckets[bucket];
}

bool IHashTable::Insert(IHashNode* node) {
    if (!node || m_bucketCount == 0) return false;
    if (m_index) {
        Index::iterator at;
        const uint32_t bucket = BucketOf(*node);
        IHashNode** slot = IndexedSlot(*node, bucket, at);
        if (*slot && node->Compare(**slot) == 0) return false;
        try {
            m_index->insert(at, IndexEntry{bucket, node});
        } catch (const std::bad_alloc&) {
            m_index.reset();  // the chains alone from here on
        }
        node->m_hashNext = *slot;
        *slot = node;
        m_count += 1;
        return true;
    }
    IHashNode** slot = &m_buckets[BucketOf(*node)];
    while (*slot) {
        const int order = node->Compare(**slot);
        if (order == 0) return false;
        if (order < 0) break;
        slot = &(*slot)->m_hashNext;
    }
    node->m_hashNext = *slot;
    *slot = node;
    m_count += 1;
    IndexIfLoaded();
    return true;
}

bool IHashTable::Find(const IHashNode& probe, Iterator& it) {
    it = Iterator();
    if (m_bucketCount == 0) return false;
    const uint32_t bucket = BucketOf(probe);
    IHashNode** slot = &m_buckets[bucket];
    if (m_index) {
        // The first node of the chain that does not sort before the probe:
        // the one the chain walk below would stop at.
        Index::iterator at;
        slot = IndexedSlot(probe, bucket, at);
        if (!*slot || probe.Compare(**slot) != 0) return false;
        it.m_slot = slot;
        it.m_table = this;
        it.m_bucket = static_cast<int32_t>(bucket);
        return true;
    }
    while (*slot) {
        const int order = probe.Compare(**slot);
        if (order < 0) return false;
        if (order == 0) {
            it.m_slot = slot;
            it.m_table = this;
            it.m_bucket = static_cast<int32_t>(bucket);
            return true;
        }
        slot = &(*slot)->m_hashNext;
    }
    return false;
}

void IHashTable::SeekBucket(Iterator& it, uint32_t bucket) {
    for (; bucket < m_bucketCount; ++bucket) {
        if (m_buckets[bucket]) {
            it.m_slot = &m_buckets[bucket];
            it.m_table = this;
            it.m_bucket = static_cast<int32_t>(bucket);
            return;
        }
    }
    it = Iterator();
}

void IHashTable::Begin(Iterator& it) { SeekBucket(it, 0); }

bool IHashTable::Iterator::Next() {
    if (!m_table || m_bucket < 0 || !m_slot || !*m_slot) {
        *this = Iterator();
        return false;
    }
    IHashNode* current = *m_slot;
    if (current->m_hashNext) {
        m_slot = &current->m_hashNext;
        return true;
    }
    IHashTable* table = m_table;
    table->SeekBucket(*this, static_cast<uint32_t>(m_bucket) + 1);
    return !IsEnd();
}

bool IHashTable::Remove(Iterator& it) {
    if (it.m_table != this || it.m_bucket < 0 || !it.m_slot || !*it.m_slot) return false;
    IHashNode* node = *it.m_slot;
    if (m_index) m_index->erase(IndexEntry{static_cast<uint32_t>(it.m_bucket), node});
    *it.m_slot = node->m_hashNext;
    node->m_hashNext = nullptr;
    m_count -= 1;
    // The slot now points at the node that followed in the chain; at the
    // chain's end the iterator moves on to the next non-empty bucket.
    if (!*it.m_slot) SeekBucket(it, static_cast<uint32_t>(it.m_bucket) + 1);
    return true;
}

bool IHashTable::Remove(IHashNode* node) {
    if (!node || m_bucketCount == 0) return false;
    const uint32_t bucket = BucketOf(*node);
    IHashNode** slot = &m_buckets[bucket];
    if (m_index) {
        Index::iterator at;
        slot = IndexedSlot(*node, bucket, at);
        if (*slot != node) return false;
        m_index->erase(at);
    } else {
        while (*slot && *slot != node) slot = &(*slot)->m_hashNext;
    }
    if (!*slot) return false;
    *slot = node->m_hashNext;
    node->m_hashNext = nullptr;
    m_count -= 1;
    return true;
}

}  // namespace Utils
