#include "foundation/soups/ACSRawData.h"

#include <cstring>
#include <new>

#include "engine/Alloc.h"
#include "foundation/soups/ACSChunk.h"

ACSRawDataCore::~ACSRawDataCore() {
    if (m_owns && !m_bytesInside) Vek::Alloc::Delete(m_data);
}

namespace {

// A copied block and its bytes in one allocation: one allocation per copied
// value instead of two (soup readers make one per tag).
class RawDataWithBytes final : public ACSRawDataCore {
public:
    static RawDataWithBytes* Make(int32_t n, const void* source) {
        void* memory = ::operator new(sizeof(RawDataWithBytes) + static_cast<std::size_t>(n), std::nothrow);
        if (!memory) return nullptr;
        uint8_t* bytes = static_cast<uint8_t*>(memory) + sizeof(RawDataWithBytes);
        std::memcpy(bytes, source, static_cast<std::size_t>(n));
        return new (memory) RawDataWithBytes(bytes, n);
    }

private:
    RawDataWithBytes(uint8_t* bytes, int32_t n) : ACSRawDataCore(bytes, n, BytesInside{}) {}
    ~RawDataWithBytes() override = default;
    void DeleteThis() const noexcept override {
        auto* self = const_cast<RawDataWithBytes*>(this);
        self->~RawDataWithBytes();
        ::operator delete(static_cast<void*>(self));
    }
};

// Numbers are read where they lie: the bytes start on an 8-byte boundary.
static_assert(sizeof(RawDataWithBytes) % 8 == 0);

}  // namespace

RawDataRef MakeRawData(void* block, int32_t n) {
    if (!block) return nullptr;
    if (n <= 0) {
        Vek::Alloc::Delete(block);
        return nullptr;
    }
    RawDataRef made = MakeCounted<ACSRawDataCore>(static_cast<uint8_t*>(block), n, true,
                                                  CountedRef<ReferenceCountMP>());
    if (!made) Vek::Alloc::Delete(block);
    return made;
}

RawDataRef MakeRawDataView(int32_t size, const void* data, CountedRef<ReferenceCountMP> parent) {
    if (size <= 0 || !data) return nullptr;
    return MakeCounted<ACSRawDataCore>(static_cast<uint8_t*>(const_cast<void*>(data)), size, false,
                                       std::move(parent));
}

RawDataRef MakeChunkDataView(const CountedRef<ACSChunk>& chunk) {
    if (!chunk) return nullptr;
    return MakeRawDataView(chunk->GetSize(), chunk->GetData(), CountedRef<ReferenceCountMP>(chunk));
}

RawDataRef MakeRawDataCopy(int32_t n, const void* source) {
    if (n <= 0 || !source) return nullptr;
    return RawDataRef::Adopt(RawDataWithBytes::Make(n, source));
}
