#include "gsruntime/GSObjectReference.h"

#include "gsruntime/GSScriptArena.h"

namespace GSRuntime {

void* GSObjectReference::operator new(std::size_t size) noexcept { return ScriptHeapAlloc(size); }

void GSObjectReference::operator delete(void* block) noexcept { ScriptHeapFree(block); }

}  // namespace GSRuntime
