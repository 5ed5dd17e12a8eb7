#pragma once
// GSScriptArena: the "#GSContext" heap, on which every script value lives
// (script instances, strings, arrays and their native holders).
//
// Script values are addressed from 32-bit slots (references in stack slots,
// locals, members and array elements), so the arena hands out addresses that
// fit 32 bits as offsets: it reserves one range of address space once (its
// base never moves), commits it in steps as it fills, and a reference is the
// offset of an address from the base. Offset 0 is never the address of a
// block, so it stands for null.
//
// Blocks are 16-aligned. Sizes up to 1 KiB are rounded to 16 bytes, larger
// ones to a power of two; a freed block is reused for a later request of the
// same rounded size. Each block has a 16-byte header in front of it.
//
// Under the address sanitizer, headers and freed blocks are poisoned with its
// manual poisoning interface, and freed blocks wait in a quarantine before
// they are reused, so that a use after free inside the arena is caught as it
// would be on the system heap. Freeing a pointer that is not a live block of
// the arena ends the process with a message, as heap corruption would.
//
// The committed part of the range is charged to the script memory budget
// (GSScriptMemoryBudget) as it is committed, and stays charged, as it stays
// committed: a request that needs more than the budget grants gets null, as
// when the arena is full.
//
// Thread-safe; the counters can be read at any time. The lock is a spin
// lock that yields after a few tries: every script value made or dropped
// takes it for a few dozen instructions, mostly from one thread, and a
// system mutex cost more than the work it guarded.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <atomic>
#include <mutex>
#include <vector>

namespace GSRuntime {

class GSScriptArena {
public:
    // The process-wide arena, reserved on first use and kept until the
    // process ends.
    static GSScriptArena& Instance();

    // A block of at least `size` bytes (its contents undefined), or null
    // when the arena is full, the budget refuses it or the size is above
    // kMaxBlock.
    void* Alloc(std::size_t size) noexcept;
    // Frees a block of this arena; null is ignored.
    void Free(void* block) noexcept;

    // Offset of an address inside the arena from its base; 0 for null.
    uint32_t ToOffset(const void* address) const {
        if (!address) return 0;
        if (!Contains(address)) OutsideArena(address);
        return static_cast<uint32_t>(static_cast<const uint8_t*>(address) - m_base);
    }
    // The address of an offset; null for 0.
    void* FromOffset(uint32_t offset) const { return offset == 0 || !m_base ? nullptr : m_base + offset; }
    // True for an address inside the reserved range.
    bool Contains(const void* address) const {
        const uint8_t* p = static_cast<const uint8_t*>(address);
        return m_base && p >= m_base && p < m_base + m_reserved;
    }

    // The same for the one arena without asking for it: every reference
    // and every slot address handed to a script comes from a block the
    // arena made, so the arena exists whenever they are turned into one
    // another (the interpreter does so on every reference load and
    // release, so these stay inline). Before the arena is made, offsets
    // map to null and addresses are outside it.
    static void* AddressOf(uint32_t offset) { return offset && s_base ? s_base + offset : nullptr; }
    // The same for an offset known to designate a block of the arena (a
    // reference that verified code holds while an instance, so the arena,
    // exists): no test at all.
    static void* AddressOfLive(uint32_t offset) { return s_base + offset; }
    static uint32_t OffsetOf(const void* address) {
        if (!address) return 0;
        if (!s_arena) OutsideArena(address);
        return s_arena->ToOffset(address);
    }

    const char* Name() const { return "#GSContext"; }
    int64_t LiveBlocks() const;
    uint64_t LiveBytes() const;
    uint64_t ReservedBytes() const { return m_reserved; }
    uint64_t CommittedBytes() const;

    // Bytes of freed blocks held back from reuse (under the address
    // sanitizer only, 0 otherwise): memory the arena commits beyond its live
    // blocks before it reuses any.
    static uint64_t QuarantineLimit();

    static constexpr std::size_t kMaxBlock = std::size_t(1) << 30;
    static constexpr std::size_t kHeaderSize = 16;

private:
    GSScriptArena();
    ~GSScriptArena() = delete;  // the reservation lives as long as the process

    struct Header {
        uint32_t sizeClass;
        uint32_t state;
        uint32_t requested;
        uint32_t reserved;
    };

    [[noreturn]] static void OutsideArena(const void* address);
    static uint32_t SizeClassOf(std::size_t size);
    static std::size_t ClassBytes(uint32_t sizeClass);

    bool CommitLocked(uint64_t end);
    Header* HeaderOf(uint64_t blockOffset) const;
    void ReleaseLocked(uint64_t blockOffset);

    uint8_t* m_base = nullptr;
    uint64_t m_reserved = 0;
    uint64_t m_committed = 0;
    uint64_t m_top = 0;
    int64_t m_liveBlocks = 0;
    uint64_t m_liveBytes = 0;
    std::vector<std::vector<uint32_t>> m_free;  // block offsets by size class
    std::deque<uint32_t> m_quarantine;
    uint64_t m_quarantineBytes = 0;
    class SpinLock {
    public:
        void lock() noexcept {
            if (!m_held.exchange(true, std::memory_order_acquire)) return;
            Contended();
        }
        void unlock() noexcept { m_held.store(false, std::memory_order_release); }

    private:
        void Contended() noexcept;
        std::atomic<bool> m_held{false};
    };

    mutable SpinLock m_lock;

    // The arena once made (its base and size never change after that).
    static inline const GSScriptArena* s_arena = nullptr;
    // Its base, null before: AddressOf needs nothing else.
    static inline uint8_t* s_base = nullptr;
};

// The script-object heap's allocate and free.
void* ScriptHeapAlloc(std::size_t size);
void ScriptHeapFree(void* block);

}  // namespace GSRuntime
