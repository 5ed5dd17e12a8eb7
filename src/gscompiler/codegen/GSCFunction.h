#pragma once
// GSCompiler::GSCFunction: the generated form of one script function: its
// bytecode and stack requirement, the frame slots that hold references,
// and the table of source lines by code position. The library writer
// stores it as a function chunk (Write).
#include <cstdint>

#include "foundation/containers/Array.h"
#include "foundation/containers/GSLibraryBuffer.h"
#include "foundation/containers/IDoubleLinkList.h"
#include "gscompiler/codegen/GSCodeEmitter.h"

class GSCompileContext;

namespace GSCompiler {

class GSFunctionSymbol;

class GSCFunction : public Utils::IDoubleLinkListNode {
public:
    static constexpr uint32_t kReferenceGrowthStep = 64;

    struct LineDebugInfo {
        int32_t position;  // code offset of the first instruction of the line
        int32_t line;
    };
    explicit GSCFunction(GSFunctionSymbol* symbol);
    ~GSCFunction() override = default;
    GSCFunction(const GSCFunction&) = delete;
    GSCFunction& operator=(const GSCFunction&) = delete;

    // Records a frame slot that holds a reference (false when out of memory).
    bool AddReferenceSlot(int16_t slot);
    int32_t ReferenceSlot(int32_t i) const;

    // The line hook of the emitter: a new {position, current line} pair
    // unless the last pair already has the current line.
    void RecordLine(uint32_t position);
    static void LineHook(void* function, uint32_t position);
    const LineDebugInfo& LinePair(int32_t i) const { return lines[i]; }

    // Slots of the frame's local area (the frame word L): the declared
    // locals, the highest temporary index and, when temporaries are used,
    // one more, so that the highest temporary stays below the frame header.
    uint32_t LocalAreaSize() const;

    // Appends the function chunk (tag 9) at the buffer's position. False,
    // with nothing patched, when the code leaves the stack unbalanced or a
    // string index cannot be had.
    bool Write(GSLibraryBuffer& out, GSCompileContext& unit) const;

    GSFunctionSymbol* symbol;
    GSCodeEmitter emitter;
    int32_t referenceSlotCount = 0;
    GSLibraryBuffer referenceSlots;
    int32_t linePairCount = 0;
    int32_t currentLine = 0;
    // Grows by doubling from a few pairs: every function of a source keeps
    // its table until the library is written, and most have a few lines.
    Utils::Array<LineDebugInfo, 8> lines;
    // Set when the code used at least one temporary.
    bool temporariesUsed = false;
    // Set when recording a line or a reference slot ran out of memory.
    bool outOfMemory = false;
};

}  // namespace GSCompiler
