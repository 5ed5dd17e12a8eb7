#pragma once
// Interned strings. Every distinct text has one node in the process-wide
// cache; a PString is one pointer to its node, null for the empty string, so
// two PStrings are equal exactly when they hold the same node. Nodes are
// immutable: edits ask the cache for the node of the new text. Unused nodes
// stay in the cache until it collects garbage.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/PStringNodeArena.h"

namespace Vek {

class PStringCache {
public:
    struct Node {
        uint32_t hash;
        uint32_t length;     // characters, without the NUL
        // Atomic. A holder adds or drops a reference without the cache lock
        // as long as the count stays above zero; a count reaches zero, and
        // leaves zero, only under the lock, where Create revives a node and
        // CollectGarbage frees it.
        std::atomic<int32_t> references;
        // Unique among the nodes that exist, and reused once a node is
        // freed, so ids stay below the largest number of nodes there have
        // been at once: a set of names can be a bitmap indexed by id.
        uint32_t id;
        char text[1];        // NUL-terminated; allocated to length + 1
    };

    PStringCache();
    ~PStringCache();
    PStringCache(const PStringCache&) = delete;
    PStringCache& operator=(const PStringCache&) = delete;

    // Each of these returns a node carrying one reference for the caller.
    Node* Create(const char* text);
    Node* Create(const char* text, std::size_t length);
    // The operations that take a node consume the caller's reference to it.
    Node* Insert(Node* node, std::size_t position, const char* text);
    Node* DeleteRange(Node* node, std::size_t position, std::size_t count);
    Node* ToLower(Node* node);
    Node* ToUpper(Node* node);

    // Drops one reference (the node stays until CollectGarbage). Without
    // the lock unless it is the node's last reference.
    void Destroy(Node* node);
    // Takes one more reference. Without the lock when the node is in use.
    void AddReference(Node* node);

    // Starts loading the table place where `text` would be found, so that
    // a Create of it a little later finds it in the cache. No lock: it only
    // hints the processor, and a table replaced meanwhile merely makes the
    // hint useless (a prefetch never faults).
    void Prefetch(const char* text, std::size_t length) const;

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }

    // Frees every node without references; returns how many were freed.
    std::size_t CollectGarbage();

    std::size_t NodeCount() const;
    std::size_t UnusedNodeCount() const;
    // References handed out minus references dropped, over the cache's life:
    // the sum of the nodes' counts (a walk of the table, exact while no
    // other thread copies or drops strings).
    int64_t ReferencesHandedOut() const;

    // The process-wide cache.
    static PStringCache& Instance();
    // True while the process-wide cache exists (false during exit).
    static bool Alive();

private:
    // One place of the table: a node and its hash, kept beside the pointer
    // so that a look-up steps over other texts' places without reading
    // their nodes (each a cache miss in a large table).
    struct Slot {
        Node* node;
        uint32_t hash;
    };

    Node* FindOrAddLocked(const char* text, std::size_t length);
    void FreeNodeLocked(Node* node);
    // Puts a node into a free place of `slots` (a power of two in size).
    static void PlaceLocked(Slot* slots, std::size_t count, Node* node);
    // Replaces the table (the old one is the caller's to free).
    void SetTableLocked(Slot* slots, std::size_t count);
    void GrowLocked();

    mutable std::recursive_mutex m_lock;
    // Open addressing with linear probing, at most three quarters full.
    Slot* m_slots = nullptr;
    std::size_t m_slotCount = 0;
    // The table and its size for Prefetch, which reads them without the
    // lock; set under the lock whenever the table is replaced.
    std::atomic<const Slot*> m_hintSlots{nullptr};
    std::atomic<std::size_t> m_hintCount{0};
    PStringNodeArena m_arena;
    std::vector<uint32_t> m_freeIds;
    uint32_t m_nextId = 0;
    std::size_t m_nodeCount = 0;
    std::size_t m_unusedCount = 0;
};

class PString {
public:
    PString() noexcept = default;
    // Interning the empty text (or null) gives the empty string, a null node.
    PString(const char* text);
    PString(const char* text, std::size_t length);
    PString(const PString& other);
    PString(PString&& other) noexcept : m_node(other.m_node) { other.m_node = nullptr; }
    ~PString() { Release(); }

    PString& operator=(const PString& other);
    PString& operator=(PString&& other) noexcept;
    PString& operator=(const char* text);

    // Drops this string's reference; the string becomes empty.
    void Release();

    std::size_t Length() const { return m_node ? m_node->length : 0; }
    bool IsEmpty() const { return m_node == nullptr || m_node->length == 0; }
    // The text, or null for the empty string.
    operator const char*() const { return m_node ? m_node->text : nullptr; }
    // The text, never null.
    const char* c_str() const { return m_node ? m_node->text : ""; }
    const PStringCache::Node* GetNode() const { return m_node; }

    void ToLower();
    void ToUpper();
    // Keep the first / last n characters when n is below the length.
    void Left(std::size_t n);
    void Right(std::size_t n);
    PString& operator+=(const PString& other);
    PString& operator+=(const char* text);

    // printf-style formatting in the C locale; replaces the text.
    void Setf(const char* format, ...) __attribute__((format(printf, 2, 3)));

    bool EqualsIgnoreCase(const char* text) const;
    bool EqualsIgnoreCase(const PString& other) const { return EqualsIgnoreCase(other.c_str()); }

    bool operator==(const PString& other) const { return m_node == other.m_node; }
    bool operator!=(const PString& other) const { return !(*this == other); }

    // The interned empty string ("" interned once at start-up).
    static const PString& Empty();

private:
    explicit PString(PStringCache::Node* adopted) : m_node(adopted) {}
    friend PString operator+(const PString&, const char*);
    friend PString operator+(const PString&, const PString&);
    friend PString operator+(const char*, const PString&);

    PStringCache::Node* m_node = nullptr;
};

PString operator+(const PString& left, const char* right);
PString operator+(const PString& left, const PString& right);
// Prefix form: "m." + type name.
PString operator+(const char* left, const PString& right);

}  // namespace Vek
