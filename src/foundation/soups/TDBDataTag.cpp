#include "foundation/soups/TDBDataTag.h"

#include <atomic>

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
