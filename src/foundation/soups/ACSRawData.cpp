#include "foundation/soups/ACSRawData.h"

#include <cstring>

#include "engine/Alloc.h"
#include "foundation/soups/ACSChunk.h"

ACSRawDataCore::~ACSRawDataCore() {
    if (m_owns) Vek::Alloc::Delete(m_data);
}

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
    void* block = Vek::Alloc::New(static_cast<std::size_t>(n));
    if (!block) return nullptr;
    std::memcpy(block, source, static_cast<std::size_t>(n));
    return MakeRawData(block, n);
}
