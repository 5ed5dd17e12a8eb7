#include "gsruntime/GSHeap.h"

#include "engine/Alloc.h"

namespace GSRuntime {

void* GSHeap::Alloc(std::size_t size) noexcept {
    void* block = Vek::Alloc::New(size == 0 ? 1 : size);
    if (block) m_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void GSHeap::Free(void* block) noexcept {
    if (!block) return;
    Vek::Alloc::Delete(block);
    m_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

GSHeap& GSMachineHeap() {
    // Made on first use and never destroyed, so that the machine's exit-time
    // shutdown can still free into it whatever the order of static
    // destruction.
    static GSHeap* heap = new GSHeap("#GSMachine");
    return *heap;
}

}  // namespace GSRuntime
