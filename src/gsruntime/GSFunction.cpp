#include "gsruntime/GSFunction.h"

#include "gsruntime/GSImageReader.h"

namespace GSRuntime {

int32_t GSFunction::ReferenceSlot(uint32_t i) const {
    return static_cast<int32_t>(GSImageWord(referenceSlots + 4 * static_cast<uint64_t>(i)));
}

GSFunction::LinePair GSFunction::GetLinePair(uint32_t i) const {
    const uint8_t* pair = linePairs + 8 * static_cast<uint64_t>(i);
    return LinePair{static_cast<int32_t>(GSImageWord(pair)), static_cast<int32_t>(GSImageWord(pair + 4))};
}

int32_t GSFunction::LineAt(int32_t codeOffset) const {
    if (linePairCount == 0 || !linePairs) return -1;
    for (uint32_t i = 0; i < linePairCount; ++i) {
        if (GetLinePair(i).offset > codeOffset) return GetLinePair(i == 0 ? 0 : i - 1).line;
    }
    return GetLinePair(linePairCount - 1).line;
}

}  // namespace GSRuntime
