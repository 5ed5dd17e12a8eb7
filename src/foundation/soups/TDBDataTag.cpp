#include "foundation/soups/TDBDataTag.h"

const uint8_t* TDBDataTag::GetData() const { return m_block ? m_block->Data() : nullptr; }

int32_t TDBDataTag::GetSize() const { return m_block ? m_block->Size() : 0; }

int32_t TDBDataTag::GetKind() const { return m_kind; }

void TDBDataTag::SetKindAndData(int32_t kind, RawDataRef block) {
    m_kind = kind;
    m_block = std::move(block);
}
