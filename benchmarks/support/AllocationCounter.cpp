#include "support/AllocationCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_peak{0};

void* Counted(void* block) {
    if (!block) return nullptr;
    const int64_t held = g_held += static_cast<int64_t>(malloc_usable_size(block));
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (held > peak && !g_peak.compare_exchange_weak(peak, held, std::memory_order_relaxed)) {
    }
    return block;
}

void* Allocate(std::size_t size) {
    void* block = Counted(std::malloc(size ? size : 1));
    if (!block) throw std::bad_alloc();
    return block;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    const std::size_t align = static_cast<std::size_t>(alignment);
    void* block = nullptr;
    if (posix_memalign(&block, align < sizeof(void*) ? sizeof(void*) : align, size ? size : 1) != 0)
        throw std::bad_alloc();
    return Counted(block);
}

void Free(void* block) noexcept {
    if (!block) return;
    g_held -= static_cast<int64_t>(malloc_usable_size(block));
    std::free(block);
}

}  // namespace

namespace BenchmarkSupport {

int64_t AllocatedBytes() { return g_held.load(); }
int64_t PeakBytes() { return g_peak.load(); }
void ResetPeakBytes() { g_peak = g_held.load(); }

}  // namespace BenchmarkSupport

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Counted(std::malloc(size ? size : 1));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Counted(std::malloc(size ? size : 1));
}
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
void operator delete(void* block, std::align_val_t) noexcept { Free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { Free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { Free(block); }
