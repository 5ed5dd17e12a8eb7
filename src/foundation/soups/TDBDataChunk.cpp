#include "foundation/soups/TDBDataChunk.h"

TDBDataChunk::TDBDataChunk(CountedRef<TDBBinaryFile> file, int32_t kind, uint32_t dataStart, uint32_t size,
                           uint32_t valuePosition)
    : m_file(std::move(file)), m_kind(kind), m_valuePosition(valuePosition) {
    m_file->ViewMade();
    if (size == 0) return;
    const uint8_t* data = m_file->Body() + dataStart;
    bool number = kind == ACSKind::kFloats || kind == ACSKind::kIntegers || kind == ACSKind::kKUID;
    if (number && dataStart % 4 != 0)
        m_block = MakeRawDataCopy(static_cast<int32_t>(size), data);
    else
        m_block = MakeRawDataView(static_cast<int32_t>(size), data, nullptr);
}

TDBDataChunk::~TDBDataChunk() { m_file->ViewGone(); }

const uint8_t* TDBDataChunk::GetData() const { return m_block ? m_block->Data() : nullptr; }

int32_t TDBDataChunk::GetSize() const { return m_block ? m_block->Size() : 0; }
