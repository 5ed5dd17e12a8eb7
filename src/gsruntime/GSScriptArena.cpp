#include "gsruntime/GSScriptArena.h"

#include "gsruntime/GSScriptMemoryBudget.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define GS_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GS_ARENA_ASAN 1
#endif
#endif

#if defined(GS_ARENA_ASAN)
#include <sanitizer/asan_interface.h>
#define GS_POISON(address, size) ASAN_POISON_MEMORY_REGION((address), (size))
#define GS_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION((address), (size))
#else
#define GS_POISON(address, size) ((void)(address), (void)(size))
#define GS_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace GSRuntime {

namespace {

// Offsets are 32 bits wide, so the arena never spans more than 4 GiB.
constexpr uint64_t kReserveSizes[] = {uint64_t(1) << 32, uint64_t(1) << 30, uint64_t(1) << 28};
constexpr uint64_t kCommitStep = uint64_t(1) << 20;
constexpr uint32_t kSmallStep = 16;
constexpr std::size_t kSmallLimit = 1024;
constexpr uint32_t kSmallClasses = kSmallLimit / kSmallStep;  // classes 1 to 64
constexpr uint32_t kFirstLargeShift = 11;                       // 2 KiB
constexpr uint32_t kLargeClasses = 30 - kFirstLargeShift + 1;   // up to kMaxBlock
constexpr uint32_t kStateLive = 0x4C495645;
constexpr uint32_t kStateFree = 0x46524545;
#if defined(GS_ARENA_ASAN)
constexpr uint64_t kQuarantineLimit = uint64_t(16) << 20;
#else
constexpr uint64_t kQuarantineLimit = 0;
#endif

[[noreturn]] void Corrupt(const char* what, const void* address) {
    std::fprintf(stderr, "GSScriptArena: %s %p\n", what, address);
    std::fflush(stderr);
    std::abort();
}

}  // namespace

void GSScriptArena::SpinLock::Contended() noexcept {
    for (int tries = 0;; ++tries) {
        if (!m_held.load(std::memory_order_relaxed) && !m_held.exchange(true, std::memory_order_acquire)) return;
        // The holder may have been preempted: give it the processor.
        if (tries >= 64) std::this_thread::yield();
    }
}

GSScriptArena& GSScriptArena::Instance() {
    static GSScriptArena* arena = [] {
        GSScriptArena* made = new GSScriptArena();
        s_arena = made;
        s_base = made->m_base;
        return made;
    }();
    return *arena;
}

void GSScriptArena::OutsideArena(const void* address) { Corrupt("offset of an address outside the arena", address); }

GSScriptArena::GSScriptArena() : m_free(1 + kSmallClasses + kLargeClasses) {
    for (uint64_t size : kReserveSizes) {
        void* base = ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base != MAP_FAILED) {
            m_base = static_cast<uint8_t*>(base);
            m_reserved = size;
            break;
        }
    }
}

uint32_t GSScriptArena::SizeClassOf(std::size_t size) {
    if (size == 0) size = 1;
    if (size <= kSmallLimit) return static_cast<uint32_t>((size + kSmallStep - 1) / kSmallStep);
    uint32_t shift = kFirstLargeShift;
    while ((std::size_t(1) << shift) < size) ++shift;
    return kSmallClasses + (shift - kFirstLargeShift) + 1;
}

std::size_t GSScriptArena::ClassBytes(uint32_t sizeClass) {
    if (sizeClass <= kSmallClasses) return std::size_t(sizeClass) * kSmallStep;
    return std::size_t(1) << (sizeClass - kSmallClasses - 1 + kFirstLargeShift);
}

bool GSScriptArena::CommitLocked(uint64_t end) {
    if (end <= m_committed) return true;
    if (end > m_reserved) return false;
    uint64_t target = (end + kCommitStep - 1) / kCommitStep * kCommitStep;
    if (target > m_reserved) target = m_reserved;
    // Committed memory is never given back (freed blocks are reused), so
    // it is what the arena holds and what the budget is charged.
    if (!GSScriptMemoryBudget::Take(target - m_committed)) return false;
    if (::mprotect(m_base + m_committed, target - m_committed, PROT_READ | PROT_WRITE) != 0) {
        GSScriptMemoryBudget::Give(target - m_committed);
        return false;
    }
    GS_POISON(m_base + m_committed, target - m_committed);
    m_committed = target;
    return true;
}

GSScriptArena::Header* GSScriptArena::HeaderOf(uint64_t blockOffset) const {
    return reinterpret_cast<Header*>(m_base + blockOffset);
}

void* GSScriptArena::Alloc(std::size_t size) noexcept {
    if (size > kMaxBlock) return nullptr;
    const uint32_t sizeClass = SizeClassOf(size);
    const std::size_t bytes = ClassBytes(sizeClass);
    std::lock_guard<SpinLock> guard(m_lock);
    if (!m_base) return nullptr;
    uint64_t blockOffset = 0;
    std::vector<uint32_t>& freeList = m_free[sizeClass];
    if (!freeList.empty()) {
        blockOffset = freeList.back();
        freeList.pop_back();
    } else {
        const uint64_t end = m_top + kHeaderSize + bytes;
        if (!CommitLocked(end)) return nullptr;
        blockOffset = m_top;
        m_top = end;
    }
    Header* header = HeaderOf(blockOffset);
    GS_UNPOISON(header, kHeaderSize);
    header->sizeClass = sizeClass;
    header->state = kStateLive;
    header->requested = static_cast<uint32_t>(size);
    header->reserved = 0;
    GS_POISON(header, kHeaderSize);
    uint8_t* block = m_base + blockOffset + kHeaderSize;
    GS_UNPOISON(block, size);
    m_liveBlocks += 1;
    m_liveBytes += bytes;
    return block;
}

void GSScriptArena::Free(void* block) noexcept {
    if (!block) return;
    std::lock_guard<SpinLock> guard(m_lock);
    const uint8_t* address = static_cast<const uint8_t*>(block);
    if (!m_base || address < m_base + kHeaderSize || address >= m_base + m_top)
        Corrupt("free of a pointer outside the arena", block);
    const uint64_t blockOffset = static_cast<uint64_t>(address - m_base) - kHeaderSize;
    if (blockOffset % kSmallStep != 0) Corrupt("free of a pointer that is no block", block);
    Header* header = HeaderOf(blockOffset);
    GS_UNPOISON(header, kHeaderSize);
    if (header->state != kStateLive) {
        const bool twice = header->state == kStateFree;
        GS_POISON(header, kHeaderSize);
        Corrupt(twice ? "double free of" : "free of a pointer that is no block", block);
    }
    const uint32_t sizeClass = header->sizeClass;
    const std::size_t bytes = ClassBytes(sizeClass);
    header->state = kStateFree;
    GS_POISON(header, kHeaderSize);
    GS_POISON(m_base + blockOffset + kHeaderSize, bytes);
    m_liveBlocks -= 1;
    m_liveBytes -= bytes;
    if constexpr (kQuarantineLimit == 0) {
        // Without a quarantine the block is free for the next request at once.
        m_free[sizeClass].push_back(static_cast<uint32_t>(blockOffset));
        return;
    }
    m_quarantine.push_back(static_cast<uint32_t>(blockOffset));
    m_quarantineBytes += bytes;
    while (m_quarantineBytes > kQuarantineLimit && !m_quarantine.empty()) {
        const uint32_t oldest = m_quarantine.front();
        m_quarantine.pop_front();
        ReleaseLocked(oldest);
    }
}

void GSScriptArena::ReleaseLocked(uint64_t blockOffset) {
    Header* header = HeaderOf(blockOffset);
    GS_UNPOISON(header, kHeaderSize);
    const uint32_t sizeClass = header->sizeClass;
    GS_POISON(header, kHeaderSize);
    m_quarantineBytes -= ClassBytes(sizeClass);
    m_free[sizeClass].push_back(static_cast<uint32_t>(blockOffset));
}

int64_t GSScriptArena::LiveBlocks() const {
    std::lock_guard<SpinLock> guard(m_lock);
    return m_liveBlocks;
}

uint64_t GSScriptArena::LiveBytes() const {
    std::lock_guard<SpinLock> guard(m_lock);
    return m_liveBytes;
}

uint64_t GSScriptArena::CommittedBytes() const {
    std::lock_guard<SpinLock> guard(m_lock);
    return m_committed;
}

uint64_t GSScriptArena::QuarantineLimit() { return kQuarantineLimit; }

void* ScriptHeapAlloc(std::size_t size) { return GSScriptArena::Instance().Alloc(size); }

void ScriptHeapFree(void* block) { GSScriptArena::Instance().Free(block); }

}  // namespace GSRuntime
