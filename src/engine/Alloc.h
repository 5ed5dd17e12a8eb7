#pragma once
// The engine allocator. New returns null on failure instead of throwing,
// for the callers that test for it; the global operator new stays standard.
#include <cstddef>

namespace Vek {

struct Alloc {
    // Returns a block of at least `size` bytes aligned for any type, or null.
    static void* New(std::size_t size) noexcept;
    // Frees a block from New; null is ignored.
    static void Delete(void* block) noexcept;
    // Grows or shrinks a block from New; null on failure (the old block stays).
    static void* Resize(void* block, std::size_t size) noexcept;
};

}  // namespace Vek
