#pragma once
// GSLibraryIdTable<V>: a hash table keyed by library id pairs, used by the
// script machine (library entries) and by every script context (per-library
// data). Bucket = id a modulo the bucket count (unsigned); each chain is kept
// in ascending order of a, then b, so a lookup stops at the first greater
// node. A pair is present at most once. Nodes come from the engine
// allocator; the table owns its nodes, and its values only through
// DeleteValues or ClearWith.
#include <cstdint>

#include "engine/Alloc.h"
#include "gsruntime/GSLibraryId.h"

namespace GSRuntime {

template <class V>
class GSLibraryIdTable {
public:
    struct Node {
        uint32_t a;
        uint32_t b;
        V* value;
        Node* next;
    };

    // Designates one node by the link that points at it; the end has no
    // link and bucket -1.
    class Cursor {
    public:
        bool IsEnd() const { return m_link == nullptr || *m_link == nullptr; }
        V* Value() const { return IsEnd() ? nullptr : (*m_link)->value; }
        GSLibraryId Key() const { return IsEnd() ? GSLibraryId() : GSLibraryId{(*m_link)->a, (*m_link)->b}; }
        // Moves to the next node of the walk (bucket 0 upward, each chain in
        // order); false at the end.
        bool Next() {
            if (!m_table || IsEnd()) {
                *this = Cursor();
                return false;
            }
            Node* node = *m_link;
            if (node->next) {
                m_link = &node->next;
                return true;
            }
            m_table->SeekBucket(*this, static_cast<uint32_t>(m_bucket) + 1);
            return !IsEnd();
        }

    private:
        friend class GSLibraryIdTable;
        Node** m_link = nullptr;
        GSLibraryIdTable* m_table = nullptr;
        int32_t m_bucket = -1;
    };

    GSLibraryIdTable() = default;
    ~GSLibraryIdTable() { Free(); }
    GSLibraryIdTable(const GSLibraryIdTable&) = delete;
    GSLibraryIdTable& operator=(const GSLibraryIdTable&) = delete;

    // Frees any old nodes and buckets and makes `bucketCount` empty buckets.
    // False when the count is 0 or memory runs out (the table is then empty
    // and refuses inserts).
    bool Init(uint32_t bucketCount) {
        Free();
        if (bucketCount == 0) return false;
        m_buckets = static_cast<Node**>(Vek::Alloc::New(sizeof(Node*) * bucketCount));
        if (!m_buckets) return false;
        for (uint32_t i = 0; i < bucketCount; ++i) m_buckets[i] = nullptr;
        m_bucketCount = bucketCount;
        return true;
    }

    // Links a new node in front of the first greater one. False, nothing
    // changed, when the pair is present, the table has no buckets or memory
    // runs out.
    bool Insert(GSLibraryId key, V* value) {
        if (!m_buckets) return false;
        Node** link = &m_buckets[key.a % m_bucketCount];
        while (*link) {
            const GSLibraryId here{(*link)->a, (*link)->b};
            if (here == key) return false;
            if (key < here) break;
            link = &(*link)->next;
        }
        Node* node = static_cast<Node*>(Vek::Alloc::New(sizeof(Node)));
        if (!node) return false;
        *node = Node{key.a, key.b, value, *link};
        *link = node;
        m_count += 1;
        return true;
    }

    // Finds the node of a pair; false (cursor at the end) when absent.
    bool Find(GSLibraryId key, Cursor& cursor) {
        cursor = Cursor();
        if (!m_buckets) return false;
        const uint32_t bucket = key.a % m_bucketCount;
        Node** link = &m_buckets[bucket];
        while (*link) {
            const GSLibraryId here{(*link)->a, (*link)->b};
            if (key < here) return false;
            if (here == key) {
                cursor.m_link = link;
                cursor.m_table = this;
                cursor.m_bucket = static_cast<int32_t>(bucket);
                return true;
            }
            link = &(*link)->next;
        }
        return false;
    }

    // The value of a pair, or null.
    V* Lookup(GSLibraryId key) {
        Cursor cursor;
        return Find(key, cursor) ? cursor.Value() : nullptr;
    }

    void Begin(Cursor& cursor) { SeekBucket(cursor, 0); }

    // Frees every node; the values stay, the buckets stay.
    void Clear() {
        ClearWith([](V*) {});
    }
    // Deletes every value through its (virtual) destructor, then frees the
    // nodes.
    void DeleteValues() {
        ClearWith([](V* value) { delete value; });
    }
    // Calls `each` with every value (bucket 0 upward), then frees the nodes.
    template <class Each>
    void ClearWith(Each each) {
        for (uint32_t b = 0; b < m_bucketCount; ++b) {
            Node* node = m_buckets[b];
            m_buckets[b] = nullptr;
            while (node) {
                Node* next = node->next;
                each(node->value);
                Vek::Alloc::Delete(node);
                node = next;
            }
        }
        m_count = 0;
    }

    // Frees the nodes (not the values) and the bucket array.
    void Free() {
        if (m_buckets) {
            Clear();
            Vek::Alloc::Delete(m_buckets);
        }
        m_buckets = nullptr;
        m_bucketCount = 0;
        m_count = 0;
    }

    int32_t Count() const { return m_count; }
    uint32_t BucketCount() const { return m_bucketCount; }

private:
    void SeekBucket(Cursor& cursor, uint32_t bucket) {
        for (; bucket < m_bucketCount; ++bucket) {
            if (m_buckets[bucket]) {
                cursor.m_link = &m_buckets[bucket];
                cursor.m_table = this;
                cursor.m_bucket = static_cast<int32_t>(bucket);
                return;
            }
        }
        cursor = Cursor();
    }

    Node** m_buckets = nullptr;
    uint32_t m_bucketCount = 0;
    int32_t m_count = 0;
};

}  // namespace GSRuntime
