#pragma once
// Data references: a script reference (in a stack slot, local, member or
// array element) is a 32-bit value, the offset from the script arena's base
// of slot 0 of one view of an instance; 0 is null. These helpers turn a
// reference into the address of its slots and back.
#include <cstdint>

#include "gsruntime/GSScriptArena.h"

namespace GSRuntime {

using GSDataRef = uint32_t;

// The slots of the view a reference designates; null for 0.
inline uint32_t* GSSlots(GSDataRef reference) { return static_cast<uint32_t*>(GSScriptArena::AddressOf(reference)); }

// The same for a non-null reference of a live view (see
// GSScriptArena::AddressOfLive).
inline uint32_t* GSLiveSlots(GSDataRef reference) {
    return static_cast<uint32_t*>(GSScriptArena::AddressOfLive(reference));
}

// The reference of a slot address inside the arena; 0 for null.
inline GSDataRef GSReferenceOf(const void* slotAddress) { return GSScriptArena::OffsetOf(slotAddress); }

// The reference `slots` 32-bit slots beyond `reference` (another view of the
// same instance).
inline GSDataRef GSOffsetReference(GSDataRef reference, int64_t slots) {
    return static_cast<GSDataRef>(static_cast<int64_t>(reference) + 4 * slots);
}

}  // namespace GSRuntime
