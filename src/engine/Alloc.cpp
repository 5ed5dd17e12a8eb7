#include "engine/Alloc.h"

#include <cstdlib>

namespace Vek {

void* Alloc::New(std::size_t size) noexcept { return std::malloc(size ? size : 1); }

void Alloc::Delete(void* block) noexcept { std::free(block); }

void* Alloc::Resize(void* block, std::size_t size) noexcept { return std::realloc(block, size ? size : 1); }

}  // namespace Vek
