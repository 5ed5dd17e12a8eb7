#include "foundation/containers/IHashTable.h"

#include "engine/Alloc.h"

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
}

bool IHashTable::Insert(IHashNode* node) {
    if (!node || m_bucketCount == 0) return false;
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
    return true;
}

bool IHashTable::Find(const IHashNode& probe, Iterator& it) {
    it = Iterator();
    if (m_bucketCount == 0) return false;
    const uint32_t bucket = BucketOf(probe);
    IHashNode** slot = &m_buckets[bucket];
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
    IHashNode** slot = &m_buckets[BucketOf(*node)];
    while (*slot && *slot != node) slot = &(*slot)->m_hashNext;
    if (!*slot) return false;
    *slot = node->m_hashNext;
    node->m_hashNext = nullptr;
    m_count -= 1;
    return true;
}

}  // namespace Utils
