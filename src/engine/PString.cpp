#include "engine/PString.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace Vek {

namespace {

uint32_t HashText(const char* text, std::size_t length) {
    // FNV-1a over the bytes.
    uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < length; ++i) {
        h ^= static_cast<unsigned char>(text[i]);
        h *= 16777619u;
    }
    return h;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::atomic<bool> g_cacheAlive{false};

// Collect automatically once this many unused nodes pile up.
constexpr std::size_t kAutoCollectThreshold = 4096;

}  // namespace

PStringCache::PStringCache() {
    Slot* slots = static_cast<Slot*>(std::calloc(1024, sizeof(Slot)));
    if (!slots) std::abort();
    SetTableLocked(slots, 1024);
}

PStringCache::~PStringCache() {
    for (std::size_t i = 0; i < m_slotCount; ++i)
        if (m_slots[i].node) FreeNodeLocked(m_slots[i].node);
    std::free(m_slots);
}

PStringCache& PStringCache::Instance() {
    // Never destroyed: strings held by static objects may be released during
    // process exit, after every other static is gone.
    static PStringCache* cache = [] {
        auto* c = new PStringCache();
        g_cacheAlive.store(true);
        return c;
    }();
    return *cache;
}

bool PStringCache::Alive() { return g_cacheAlive.load(std::memory_order_acquire); }

void PStringCache::PlaceLocked(Slot* slots, std::size_t count, Node* node) {
    const std::size_t mask = count - 1;
    std::size_t i = node->hash & mask;
    while (slots[i].node) i = (i + 1) & mask;
    slots[i] = Slot{node, node->hash};
}

void PStringCache::SetTableLocked(Slot* slots, std::size_t count) {
    m_slots = slots;
    m_slotCount = count;
    m_hintSlots.store(slots, std::memory_order_relaxed);
    m_hintCount.store(count, std::memory_order_relaxed);
}

void PStringCache::Prefetch(const char* text, std::size_t length) const {
    const Slot* slots = m_hintSlots.load(std::memory_order_relaxed);
    const std::size_t count = m_hintCount.load(std::memory_order_relaxed);
    if (!slots || length == 0) return;
    __builtin_prefetch(slots + (HashText(text, length) & (count - 1)));
}

void PStringCache::GrowLocked() {
    const std::size_t newCount = m_slotCount * 2;
    Slot* grown = static_cast<Slot*>(std::calloc(newCount, sizeof(Slot)));
    if (!grown) return;  // keep the old table; it still has free places
    for (std::size_t i = 0; i < m_slotCount; ++i)
        if (m_slots[i].node) PlaceLocked(grown, newCount, m_slots[i].node);
    std::free(m_slots);
    SetTableLocked(grown, newCount);
}

PStringCache::Node* PStringCache::FindOrAddLocked(const char* text, std::size_t length) {
    if (length == 0) return nullptr;
    const uint32_t h = HashText(text, length);
    const std::size_t mask = m_slotCount - 1;
    std::size_t i = h & mask;
    for (; m_slots[i].node; i = (i + 1) & mask) {
        Node* n = m_slots[i].node;
        if (m_slots[i].hash == h && n->length == length && std::memcmp(n->text, text, length) == 0) {
            // Under the lock: a count leaves zero only here.
            if (n->references.fetch_add(1, std::memory_order_relaxed) == 0) --m_unusedCount;
            return n;
        }
    }
    Node* n = static_cast<Node*>(m_arena.Allocate(offsetof(Node, text) + length + 1));
    if (!n) std::abort();  // the engine allocator does not fail for strings
    if (m_freeIds.empty()) {
        n->id = m_nextId++;
    } else {
        n->id = m_freeIds.back();
        m_freeIds.pop_back();
    }
    n->hash = h;
    n->length = static_cast<uint32_t>(length);
    new (&n->references) std::atomic<int32_t>(1);
    std::memcpy(n->text, text, length);
    n->text[length] = '\0';
    m_slots[i] = Slot{n, h};
    ++m_nodeCount;
    if (m_nodeCount * 4 > m_slotCount * 3) GrowLocked();
    return n;
}

void PStringCache::FreeNodeLocked(Node* node) {
    m_freeIds.push_back(node->id);
    m_arena.Free(node, offsetof(Node, text) + node->length + 1);
}

PStringCache::Node* PStringCache::Create(const char* text) {
    if (!text) return nullptr;
    return Create(text, std::strlen(text));
}

PStringCache::Node* PStringCache::Create(const char* text, std::size_t length) {
    if (!text || length == 0) return nullptr;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return FindOrAddLocked(text, length);
}

void PStringCache::AddReference(Node* node) {
    if (!node) return;
    // A node in use cannot be freed or revived meanwhile: one more holder
    // needs no lock.
    int32_t count = node->references.load(std::memory_order_relaxed);
    while (count > 0) {
        if (node->references.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) {
            return;
        }
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (node->references.fetch_add(1, std::memory_order_relaxed) == 0) --m_unusedCount;
}

void PStringCache::Destroy(Node* node) {
    if (!node) return;
    // Not the last reference: the count stays above zero, no lock.
    int32_t count = node->references.load(std::memory_order_relaxed);
    while (count > 1) {
        if (node->references.compare_exchange_weak(count, count - 1, std::memory_order_release,
                                                   std::memory_order_relaxed)) {
            return;
        }
    }
    // Perhaps the last: reaching zero happens under the lock, where Create
    // and CollectGarbage see it.
    bool collect = false;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        // Other holders may still drop theirs without the lock meanwhile.
        count = node->references.load(std::memory_order_relaxed);
        do {
            if (count <= 0) return;  // over-release: ignore rather than corrupt
        } while (!node->references.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel,
                                                         std::memory_order_relaxed));
        if (count == 1) {
            ++m_unusedCount;
            collect = m_unusedCount >= kAutoCollectThreshold && m_unusedCount * 2 > m_nodeCount;
        }
    }
    if (collect) CollectGarbage();
}

PStringCache::Node* PStringCache::Insert(Node* node, std::size_t position, const char* text) {
    std::string s = node ? std::string(node->text, node->length) : std::string();
    if (position > s.size()) position = s.size();
    if (text) s.insert(position, text);
    Node* result = Create(s.data(), s.size());
    Destroy(node);
    return result;
}

PStringCache::Node* PStringCache::DeleteRange(Node* node, std::size_t position, std::size_t count) {
    std::string s = node ? std::string(node->text, node->length) : std::string();
    if (position < s.size()) s.erase(position, count);
    Node* result = Create(s.data(), s.size());
    Destroy(node);
    return result;
}

PStringCache::Node* PStringCache::ToLower(Node* node) {
    if (!node) return nullptr;
    std::string s(node->text, node->length);
    for (char& c : s) c = AsciiLower(c);
    Node* result = Create(s.data(), s.size());
    Destroy(node);
    return result;
}

PStringCache::Node* PStringCache::ToUpper(Node* node) {
    if (!node) return nullptr;
    std::string s(node->text, node->length);
    for (char& c : s) c = AsciiUpper(c);
    Node* result = Create(s.data(), s.size());
    Destroy(node);
    return result;
}

std::size_t PStringCache::CollectGarbage() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_unusedCount == 0) return 0;
    // The nodes kept are placed again into a new table: removing places from
    // a linear-probing table in place would break the runs behind them.
    Slot* kept = static_cast<Slot*>(std::calloc(m_slotCount, sizeof(Slot)));
    if (!kept) return 0;  // nothing freed; every node stays valid
    std::size_t freed = 0;
    for (std::size_t i = 0; i < m_slotCount; ++i) {
        Node* n = m_slots[i].node;
        if (!n) continue;
        if (n->references.load(std::memory_order_acquire) == 0) {
            FreeNodeLocked(n);
            ++freed;
        } else {
            PlaceLocked(kept, m_slotCount, n);
        }
    }
    std::free(m_slots);
    SetTableLocked(kept, m_slotCount);
    m_nodeCount -= freed;
    m_unusedCount -= freed;
    return freed;
}

std::size_t PStringCache::NodeCount() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_nodeCount;
}

std::size_t PStringCache::UnusedNodeCount() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_unusedCount;
}

int64_t PStringCache::ReferencesHandedOut() const {
    // Every reference handed out is counted in its node until it is
    // dropped, and a node is freed only at zero: the sum of the counts is
    // the balance. Summed here rather than kept in one counter that every
    // copy and release in the process would have to update.
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    int64_t total = 0;
    for (std::size_t i = 0; i < m_slotCount; ++i)
        if (const Node* n = m_slots[i].node) total += n->references.load(std::memory_order_relaxed);
    return total;
}

// ---- PString ----

PString::PString(const char* text) : m_node(PStringCache::Instance().Create(text)) {}

PString::PString(const char* text, std::size_t length) {
    std::size_t n = 0;
    if (text) {
        while (n < length && text[n]) ++n;
    }
    m_node = PStringCache::Instance().Create(text, n);
}

PString::PString(const PString& other) : m_node(other.m_node) {
    if (m_node) PStringCache::Instance().AddReference(m_node);
}

PString& PString::operator=(const PString& other) {
    PStringCache::Node* n = other.m_node;
    if (n) PStringCache::Instance().AddReference(n);
    Release();
    m_node = n;
    return *this;
}

PString& PString::operator=(PString&& other) noexcept {
    if (this != &other) {
        Release();
        m_node = other.m_node;
        other.m_node = nullptr;
    }
    return *this;
}

PString& PString::operator=(const char* text) {
    PStringCache::Node* n = PStringCache::Instance().Create(text);
    Release();
    m_node = n;
    return *this;
}

void PString::Release() {
    if (m_node && PStringCache::Alive()) PStringCache::Instance().Destroy(m_node);
    m_node = nullptr;
}

void PString::ToLower() {
    if (m_node) m_node = PStringCache::Instance().ToLower(m_node);
}

void PString::ToUpper() {
    if (m_node) m_node = PStringCache::Instance().ToUpper(m_node);
}

void PString::Left(std::size_t n) {
    if (n < Length()) m_node = PStringCache::Instance().DeleteRange(m_node, n, Length() - n);
}

void PString::Right(std::size_t n) {
    if (n < Length()) m_node = PStringCache::Instance().DeleteRange(m_node, 0, Length() - n);
}

PString& PString::operator+=(const PString& other) {
    if (!m_node) return *this = other;
    if (other.m_node) m_node = PStringCache::Instance().Insert(m_node, Length(), other.m_node->text);
    return *this;
}

PString& PString::operator+=(const char* text) {
    if (text && *text) m_node = PStringCache::Instance().Insert(m_node, Length(), text);
    return *this;
}

void PString::Setf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string buffer(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(buffer.data(), buffer.size() + 1, format, args);
    va_end(args);
    PStringCache::Node* node = PStringCache::Instance().Create(buffer.data(), buffer.size());
    Release();
    m_node = node;
}

bool PString::EqualsIgnoreCase(const char* text) const {
    const char* a = c_str();
    const char* b = text ? text : "";
    for (;; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
        if (!*a) return true;
    }
}

const PString& PString::Empty() {
    static const PString* empty = new PString("");
    return *empty;
}

PString operator+(const PString& left, const char* right) {
    PString result(left);
    if (right && *right) result.m_node = PStringCache::Instance().Insert(result.m_node, result.Length(), right);
    return result;
}

PString operator+(const PString& left, const PString& right) { return left + right.c_str(); }

PString operator+(const char* left, const PString& right) {
    PString result(right);
    if (left && *left) result.m_node = PStringCache::Instance().Insert(result.m_node, 0, left);
    return result;
}

}  // namespace Vek
