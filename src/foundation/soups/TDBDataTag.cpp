#include "foundation/soups/TDBDataTag.h"

#include <atomic>
#include <cstring>
#include <new>

const uint8_t* TDBDataTag::GetData() const { return m_block ? m_block->Data() : nullptr; }

int32_t TDBDataTag::GetSize() const { return m_block ? m_block->Size() : 0; }

int32_t TDBDataTag::GetKind() const { return m_kind; }

namespace {
std::atomic<uint32_t> g_emptied{0};
}  // namespace

uint32_t TDBDataTag::EmptiedCount() { return g_emptied.load(std::memory_order_acquire); }

void TDBDataTag::SetKindAndData(int32_t kind, RawDataRef block) {
    if (kind == ACSKind::kEmpty && m_kind != ACSKind::kEmpty) g_emptied.fetch_add(1, std::memory_order_acq_rel);
    m_kind = kind;
    m_block = std::move(block);
}

namespace {

// The memory that a tag and its block share, with the count of the two
// that are still alive; the last one to go frees it.
struct SharedMemory {
    std::atomic<int32_t> alive{2};
    int32_t unused = 0;
};

void ReleaseShared(SharedMemory* shared) {
    if (shared->alive.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    shared->~SharedMemory();
    ::operator delete(static_cast<void*>(shared));
}

class SharedBlock final : public ACSRawDataCore {
public:
    SharedBlock(uint8_t* bytes, int32_t n, SharedMemory* shared)
        : ACSRawDataCore(bytes, n, BytesInside{}), m_shared(shared) {}

    // Ends the block without its memory (the tag frees it with its own).
    void DestroyInPlace() { this->~SharedBlock(); }

private:
    ~SharedBlock() override = default;
    void DeleteThis() const noexcept override {
        SharedMemory* shared = m_shared;
        const_cast<SharedBlock*>(this)->~SharedBlock();
        ReleaseShared(shared);
    }

    SharedMemory* m_shared;
};

class SharedDataTag final : public TDBDataTag {
public:
    SharedDataTag(int32_t kind, RawDataRef block, SharedMemory* shared)
        : TDBDataTag(kind, std::move(block)), m_shared(shared) {}

private:
    ~SharedDataTag() override = default;
    void DeleteThis() const noexcept override {
        auto* self = const_cast<SharedDataTag*>(this);
        SharedMemory* shared = m_shared;
        // The usual end: the tag still holds the block made with it, and
        // nothing else does (no one can take a new reference to it but
        // through this tag, which is going). Both go at once, without the
        // counts of either.
        auto* own = reinterpret_cast<SharedBlock*>(reinterpret_cast<uint8_t*>(shared) + BlockOffset());
        if (GetBlock().Get() == own && own->GetReferenceCount() == 1) {
            self->DetachBlock();
            self->~SharedDataTag();
            own->DestroyInPlace();
            shared->~SharedMemory();
            ::operator delete(static_cast<void*>(shared));
            return;
        }
        self->~SharedDataTag();
        ReleaseShared(shared);
    }
    static std::size_t BlockOffset();

    SharedMemory* m_shared;
};

// The layout: the shared count, the tag, the block, the bytes; numbers are
// read where they lie, so every part starts on an 8-byte boundary.
constexpr std::size_t Round8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }
constexpr std::size_t kTagAt = Round8(sizeof(SharedMemory));
constexpr std::size_t kBlockAt = kTagAt + Round8(sizeof(SharedDataTag));
constexpr std::size_t kBytesAt = kBlockAt + Round8(sizeof(SharedBlock));

std::size_t SharedDataTag::BlockOffset() { return kBlockAt; }

}  // namespace

ChunkRef MakeDataTagCopy(int32_t kind, int32_t n, const void* source) {
    if (n <= 0 || !source) return MakeCounted<TDBDataTag>(kind, nullptr);
    void* memory = ::operator new(kBytesAt + static_cast<std::size_t>(n), std::nothrow);
    if (!memory) return nullptr;
    auto* base = static_cast<uint8_t*>(memory);
    auto* shared = new (memory) SharedMemory();
    uint8_t* bytes = base + kBytesAt;
    std::memcpy(bytes, source, static_cast<std::size_t>(n));
    auto block = RawDataRef::Adopt(new (base + kBlockAt) SharedBlock(bytes, n, shared));
    return ChunkRef::Adopt(new (base + kTagAt) SharedDataTag(kind, std::move(block), shared));
}
