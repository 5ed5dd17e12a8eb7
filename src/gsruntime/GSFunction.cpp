#include "gsruntime/GSFunction.h"

#include <algorithm>

#include "gsruntime/GSImageReader.h"
#include "gsruntime/GSStack.h"

namespace GSRuntime {

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

bool GSFunction::AcceptsCallee(uint32_t offset, const GSFunction* callee, bool ignoreResult, const GSStack* stack,
                               int32_t firstArgument) const {
    auto found = std::lower_bound(callContracts.begin(), callContracts.end(), offset,
                                  [](const GSCallContract& contract, uint32_t at) { return contract.offset < at; });
    if (found == callContracts.end() || found->offset != offset || !callee) return false;
    if (!ignoreResult && !(found->shapes & callee->resultShape)) return false;
    const std::size_t arguments = found->argumentKinds.size();
    for (uint32_t i = 0; i < callee->referenceSlotCount; ++i) {
        const int32_t slot = callee->ReferenceSlot(i);
        if (slot < 1 || static_cast<std::size_t>(slot) > arguments) continue;
        const uint8_t kind = found->argumentKinds[static_cast<std::size_t>(slot) - 1];
        if (kind == kGSKindCallResult) {
            // The result of a call: what the function called there returned.
            if (!stack || stack->ResultShapeAt(firstArgument + slot - 1) != kGSShapeReference) return false;
            continue;
        }
        if (kind != kGSKindReference && kind != kGSKindZero) return false;
    }
    return true;
}

}  // namespace GSRuntime
