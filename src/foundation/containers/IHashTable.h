#pragma once
// Utils::IHashTable: an intrusive hash table of Utils::IHashNode objects.
// A node's bucket is its Hash() modulo the bucket count; each chain is kept
// sorted by Compare, so lookups stop early and the walk order (bucket 0
// upward, each chain in order) depends only on the nodes, never on the order
// of insertion. The chain link lives in the node; the table never owns or
// deletes nodes. The owner sets the bucket count with Init.
//
// The bucket count is the owner's (walk orders that files keep depend on
// it), so a table that holds many more nodes than buckets would walk long
// chains on every insert, find and remove. Past kIndexedLoad nodes per
// bucket the table keeps an ordered index of its nodes beside the chains
// (by bucket, then chain order) and finds a node's place there instead;
// the chains, and so every walk order, stay exactly as they were.
#include <cstdint>
#include <memory>
#include <set>

namespace Utils {

class IHashTable;

class IHashNode {
public:
    IHashNode() = default;
    virtual ~IHashNode() = default;
    IHashNode(const IHashNode&) = delete;
    IHashNode& operator=(const IHashNode&) = delete;

    virtual unsigned Hash() const = 0;
    // Negative when this node sorts before `other`, 0 when they are equal.
    virtual int Compare(const IHashNode& other) const = 0;

    // The next node of the same chain.
    IHashNode* HashNext() const { return m_hashNext; }

private:
    friend class IHashTable;
    IHashNode* m_hashNext = nullptr;
};

class IHashTable {
public:
    // Designates one node by the link that points at it (the bucket entry or
    // the previous node's link). The end iterator has no slot and bucket -1.
    class Iterator {
    public:
        Iterator() = default;
        IHashNode* Node() const { return m_slot ? *m_slot : nullptr; }
        bool IsEnd() const { return m_slot == nullptr; }
        // Moves to the next node; false (and the end) after the last one.
        bool Next();

    private:
        friend class IHashTable;
        IHashNode** m_slot = nullptr;
        IHashTable* m_table = nullptr;
        int32_t m_bucket = -1;
    };

    IHashTable() = default;
    // Empties the buckets without deleting the nodes and frees the bucket array.
    virtual ~IHashTable();
    IHashTable(const IHashTable&) = delete;
    IHashTable& operator=(const IHashTable&) = delete;

    // Gives the table `bucketCount` empty buckets, dropping (not deleting)
    // any nodes it held. False when the array cannot be allocated or the
    // count is 0.
    bool Init(uint32_t bucketCount);
    // Unlinks every node (without deleting it) and frees the bucket array.
    void Free();

    // Links the node before the first node of its chain that sorts after it.
    // False, nothing changed, when an equal node is present, the node is null
    // or the table has no buckets.
    bool Insert(IHashNode* node);
    // Finds the node equal to `probe`; false (and the end) when there is none.
    bool Find(const IHashNode& probe, Iterator& it);
    // The first node, or the end when the table is empty.
    void Begin(Iterator& it);
    // Unlinks the node the iterator designates, which then designates the
    // node that followed. False for an iterator of another table or the end.
    bool Remove(Iterator& it);
    // Unlinks this very node; false when it is not in the table.
    bool Remove(IHashNode* node);

    uint32_t BucketCount() const { return m_bucketCount; }
    int32_t Count() const { return m_count; }
    // True while the ordered index is kept (see the class comment).
    bool Indexed() const { return m_index != nullptr; }

    static constexpr int32_t kIndexedLoad = 4;

private:
    // A node of the index with its bucket, worked out once when it is
    // entered: ordering by a stored bucket spares hashing both names at every
    // comparison of a search.
    struct IndexEntry {
        uint32_t bucket;
        const IHashNode* node;
    };
    // Orders nodes by bucket, then as their chain does.
    struct IndexOrder {
        bool operator()(const IndexEntry& a, const IndexEntry& b) const;
    };
    using Index = std::set<IndexEntry, IndexOrder>;

    // Builds the index once the table holds more than kIndexedLoad nodes
    // per bucket (false when memory runs out: the chains are used alone).
    void IndexIfLoaded();
    // The link that points at the first node of `node`'s bucket that does
    // not sort before it, found through the index.
    IHashNode** IndexedSlot(const IHashNode& node, uint32_t bucket, Index::iterator& at);

    uint32_t BucketOf(const IHashNode& node) const { return node.Hash() % m_bucketCount; }
    // Moves an iterator to the first node of the first non-empty bucket at
    // or after `bucket`, or to the end.
    void SeekBucket(Iterator& it, uint32_t bucket);

    IHashNode** m_buckets = nullptr;
    uint32_t m_bucketCount = 0;
    int32_t m_count = 0;
    std::unique_ptr<Index> m_index;
};

}  // namespace Utils
