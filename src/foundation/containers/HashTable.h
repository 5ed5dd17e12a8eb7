#pragma once
// Utils::HashTable<K,V>: a keyed hash table of V pointers with nodes
// {key, value, next}. K is a text (const char*; the pointer is kept, not
// copied) or an unsigned 32-bit number.
//   - Text keys: h = 0, then h = h * 3 + each byte taken as signed, in 32-bit
//     arithmetic; bucket h % bucket count. Chains ascend in byte-wise
//     (unsigned) order of the texts.
//   - Unsigned keys: bucket (key / 2) % bucket count; chains ascend by key.
// The walk order (bucket 0 upward, each chain in order) depends only on the
// keys, and it is what compiled script libraries record, so it must stay as
// it is. Duplicate keys are refused, never replaced. Nodes come from the
// engine allocator; the table owns its nodes, never keys or values, except
// through the Clear variants that free them. The owner sets the bucket count
// with Init.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/Alloc.h"

namespace Utils {

template <class K>
struct HashTableKey;

template <>
struct HashTableKey<const char*> {
    static bool IsValid(const char* key) { return key != nullptr; }
    static uint32_t Hash(const char* key) {
        uint32_t h = 0;
        for (const char* p = key; *p; ++p) h = h * 3u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
        return h;
    }
    static int Compare(const char* a, const char* b) { return std::strcmp(a, b); }
};

template <>
struct HashTableKey<uint32_t> {
    static bool IsValid(uint32_t) { return true; }
    static uint32_t Hash(uint32_t key) { return key / 2; }
    static int Compare(uint32_t a, uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
};

// Frees with the engine allocator: keys or values that the table is asked
// to free must come from Vek::Alloc::New.
struct HashTableAllocFree {
    template <class P>
    void operator()(P* block) const {
        Vek::Alloc::Delete(const_cast<std::remove_const_t<P>*>(block));
    }
};

template <class K, class V = void>
class HashTable {
public:
    using Traits = HashTableKey<K>;

    struct Node {
        K key;
        V* value;
        Node* next;
    };

    // Designates one entry by the link that points at it (the bucket entry
    // or the previous node's link). The end iterator has no slot and bucket -1.
    class Iterator {
    public:
        Iterator() = default;
        bool IsEnd() const { return m_slot == nullptr || *m_slot == nullptr; }
        K Key() const { return (*m_slot)->key; }
        V* Value() const { return (*m_slot)->value; }
        void SetValue(V* value) { (*m_slot)->value = value; }
        // Moves to the next entry; false (and the end) after the last one.
        bool Next() {
            if (!m_table || m_bucket < 0 || IsEnd()) {
                *this = Iterator();
                return false;
            }
            Node* current = *m_slot;
            if (current->next) {
                m_slot = &current->next;
                return true;
            }
            m_table->SeekBucket(*this, static_cast<uint32_t>(m_bucket) + 1);
            return !IsEnd();
        }

    private:
        friend class HashTable;
        Node** m_slot = nullptr;
        HashTable* m_table = nullptr;
        int32_t m_bucket = -1;
    };

    HashTable() = default;
    explicit HashTable(uint32_t bucketCount) { Init(bucketCount); }
    // Frees the nodes and the bucket array; keys and values stay.
    virtual ~HashTable() {
        if (!m_buckets) return;
        Clear();
        Vek::Alloc::Delete(m_buckets);
        m_buckets = nullptr;
        m_bucketCount = 0;
        m_count = 0;
    }
    HashTable(const HashTable&) = delete;
    HashTable& operator=(const HashTable&) = delete;

    // Gives the table `bucketCount` empty buckets, freeing the nodes it held.
    // False when the array cannot be allocated or the count is 0.
    bool Init(uint32_t bucketCount) {
        if (m_buckets) {
            Clear();
            Vek::Alloc::Delete(m_buckets);
            m_buckets = nullptr;
            m_bucketCount = 0;
        }
        if (bucketCount == 0) return false;
        m_buckets = static_cast<Node**>(Vek::Alloc::New(sizeof(Node*) * bucketCount));
        if (!m_buckets) return false;
        for (uint32_t b = 0; b < bucketCount; ++b) m_buckets[b] = nullptr;
        m_bucketCount = bucketCount;
        return true;
    }

    // Links a new entry before the first one of its chain whose key sorts
    // after it. False, nothing changed, when the key is present, the key is
    // a null text, the table has no buckets or memory runs out.
    bool Insert(K key, V* value) {
        if (!m_buckets || !Traits::IsValid(key)) return false;
        Node** slot = &m_buckets[Traits::Hash(key) % m_bucketCount];
        while (*slot) {
            const int order = Traits::Compare(key, (*slot)->key);
            if (order == 0) return false;
            if (order < 0) break;
            slot = &(*slot)->next;
        }
        Node* node = static_cast<Node*>(Vek::Alloc::New(sizeof(Node)));
        if (!node) return false;
        node->key = key;
        node->value = value;
        node->next = *slot;
        *slot = node;
        m_count += 1;
        return true;
    }

    // Finds the entry of `key`; false (and the end) when there is none.
    bool Find(K key, Iterator& it) {
        it = Iterator();
        if (!m_buckets || !Traits::IsValid(key)) return false;
        const uint32_t bucket = Traits::Hash(key) % m_bucketCount;
        Node** slot = &m_buckets[bucket];
        while (*slot) {
            const int order = Traits::Compare(key, (*slot)->key);
            if (order < 0) return false;
            if (order == 0) {
                it.m_slot = slot;
                it.m_table = this;
                it.m_bucket = static_cast<int32_t>(bucket);
                return true;
            }
            slot = &(*slot)->next;
        }
        return false;
    }

    // The value of `key`, or null when absent.
    V* Lookup(K key) {
        Iterator it;
        return Find(key, it) ? it.Value() : nullptr;
    }

    // The first entry, or the end when the table is empty.
    void Begin(Iterator& it) { SeekBucket(it, 0); }

    // Frees the entry the iterator designates (handing its key back when
    // asked); the iterator then designates the entry that followed. False
    // for an iterator of another table or one that designates nothing.
    bool Remove(Iterator& it, K* removedKey = nullptr) {
        if (it.m_table != this || it.m_bucket < 0 || it.IsEnd()) return false;
        Node* node = *it.m_slot;
        *it.m_slot = node->next;
        if (removedKey) *removedKey = node->key;
        Vek::Alloc::Delete(node);
        m_count -= 1;
        if (!*it.m_slot) SeekBucket(it, static_cast<uint32_t>(it.m_bucket) + 1);
        return true;
    }

    // Frees every node, walking the buckets from the last to the first; keys
    // and values are kept, the buckets stay.
    void Clear() {
        ClearWith([](Node*) {});
    }
    // The same, also freeing each value (by default with the engine allocator).
    template <class Deleter = HashTableAllocFree>
    void ClearDeletingValues(Deleter deleter = Deleter()) {
        ClearWith([&](Node* node) {
            if (node->value) deleter(node->value);
        });
    }
    // The same, also freeing each text key (by default with the engine
    // allocator), for tables that own their keys.
    template <class Deleter = HashTableAllocFree>
    void ClearDeletingKeys(Deleter deleter = Deleter())
        requires std::is_pointer_v<K>
    {
        ClearWith([&](Node* node) {
            if (node->key) deleter(node->key);
        });
    }

    uint32_t BucketCount() const { return m_bucketCount; }
    int32_t Count() const { return m_count; }

private:
    void SeekBucket(Iterator& it, uint32_t bucket) {
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

    template <class Each>
    void ClearWith(Each each) {
        for (uint32_t b = m_bucketCount; b-- > 0;) {
            Node* node = m_buckets[b];
            while (node) {
                Node* next = node->next;
                each(node);
                Vek::Alloc::Delete(node);
                node = next;
            }
            m_buckets[b] = nullptr;
        }
        m_count = 0;
    }

    Node** m_buckets = nullptr;
    uint32_t m_bucketCount = 0;
    int32_t m_count = 0;
};

}  // namespace Utils
