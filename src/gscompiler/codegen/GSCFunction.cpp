#include "gscompiler/codegen/GSCFunction.h"

#include <cstring>

#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSSymbol.h"
#include "gscompiler/library/GSLibraryFormat.h"

namespace GSCompiler {

GSCFunction::GSCFunction(GSFunctionSymbol* symbol) : symbol(symbol) {
    referenceSlots.Init(kReferenceGrowthStep);
}

bool GSCFunction::AddReferenceSlot(int16_t slot) {
    referenceSlots.WriteUInt32(static_cast<uint32_t>(static_cast<int32_t>(slot)));
    if (referenceSlots.HasFailed()) {
        outOfMemory = true;
        return false;
    }
    referenceSlotCount += 1;
    return true;
}

int32_t GSCFunction::ReferenceSlot(int32_t i) const {
    int32_t value;
    std::memcpy(&value, referenceSlots.Data() + 4 * i, sizeof value);
    return value;
}

void GSCFunction::RecordLine(uint32_t position) {
    if (linePairCount > 0 && lines[linePairCount - 1].line == currentLine) return;
    if (linePairCount >= lines.Capacity() && !lines.Reserve(linePairCount + lines.Capacity())) {
        outOfMemory = true;
        return;
    }
    lines[linePairCount] = {static_cast<int32_t>(position), currentLine};
    linePairCount += 1;
}

void GSCFunction::LineHook(void* function, uint32_t position) {
    static_cast<GSCFunction*>(function)->RecordLine(position);
}

uint32_t GSCFunction::LocalAreaSize() const {
    return static_cast<uint32_t>(symbol->localCount + symbol->highestTemporary) + (temporariesUsed ? 1u : 0u);
}

bool GSCFunction::Write(GSLibraryBuffer& out, GSCompileContext& unit) const {
    using namespace GSLibraryFormat;
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kFunctionTag);

    const uint32_t signature = unit.StringIndex(symbol->signature);
    if (signature == kNoIndex) return false;
    out.WriteUInt32(signature);
    out.WriteUInt32(static_cast<uint32_t>(symbol->typeCode));
    out.WriteUInt32(static_cast<uint32_t>(ClassIndexOf(unit, symbol->resultClassName)));
    out.WriteUInt32(symbol->flags & kFunctionFlagMask);
    out.WriteUInt32(static_cast<uint32_t>(FunctionSlotOf(symbol)));

    // The code must leave the operand stack as it found it.
    if (emitter.depth != 0) return false;

    const uint32_t locals = LocalAreaSize();
    const int32_t arguments = symbol->argumentSlotCount;
    out.WriteUInt32(locals + kFrameHeaderSlots);
    out.WriteUInt32(static_cast<uint32_t>(1 - arguments));
    out.WriteUInt32(locals + 1);
    out.WriteUInt32(static_cast<uint32_t>(emitter.maximumDepth) + locals + kFrameHeaderSlots);
    out.WriteUInt32(static_cast<uint32_t>(arguments));
    out.WriteUInt32(static_cast<uint32_t>(symbol->localCount));
    out.WriteUInt32(static_cast<uint32_t>(symbol->highestTemporary));

    out.WriteUInt32(static_cast<uint32_t>(referenceSlotCount));
    if (referenceSlotCount > 0) out.Write(referenceSlots.Data(), 4 * static_cast<uint32_t>(referenceSlotCount));

    const uint32_t codeLength = emitter.code.Length();
    out.WriteUInt32(codeLength);
    if (codeLength > 0) out.Write(emitter.code.Data(), codeLength);
    PadTo4(out, kCodePadding);

    out.WriteUInt32(kLineTableTag);
    out.WriteUInt32(static_cast<uint32_t>(linePairCount));
    for (int32_t i = 0; i < linePairCount; ++i) {
        out.WriteUInt32(static_cast<uint32_t>(lines[i].position));
        out.WriteUInt32(static_cast<uint32_t>(lines[i].line));
    }
    PadTo4(out, 0x00);
    PatchChunkLength(out, start);
    return true;
}

}  // namespace GSCompiler
