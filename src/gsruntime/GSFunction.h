#pragma once
// GSFunction: the record of one function of a loaded script class, built by
// the loader from its function chunk. Texts, reference slots, line pairs and
// code stay in the library image and are read in place; the loader has
// checked all of them (see GSLibrary.h), so users may rely on:
//   - frameSize = L + 4, headerOffset = L + 1, argumentOffset = 1 - a with
//     a = argumentSlotCount >= 1, slotsNeeded >= frameSize and
//     a - 1 + slotsNeeded below the stack's 1024 slots (L: locals and
//     temporaries);
//   - reference slots in 1 .. a + L - 1, none twice;
//   - code verified by GSVerifyCode against the frame and the library, and
//     by GSVerifyFlow for stack depths and slot kinds on every path, with
//     one call contract per call instruction (callContracts).
// The last record of every class is its class-initialisation function
// ("::%s()" with the class name).
#include <cstdint>
#include <vector>

#include "gscompiler/GSTypes.h"
#include "gsruntime/GSFlowVerifier.h"
#include "gsruntime/GSImageReader.h"

namespace GSRuntime {

class GSStack;

class GSClass;
class GSLibrary;
class GSNativeFunction;

// Slots of a thread's stack; a frame must fit in them.
constexpr uint32_t kGSStackSlots = 1024;

class GSFunction {
public:
    // One {code offset, line} pair of the line table.
    struct LinePair {
        int32_t offset;
        int32_t line;
    };

    GSClass* owner = nullptr;
    GSLibrary* library = nullptr;
    const char* signature = nullptr;
    uint32_t resultType = 0;   // type code, 0 void
    int32_t resultClass = -1;  // class import index, or -1
    uint32_t flags = 0;        // kGSPublic, kGSNative, kGSFinal, kGSThread, kGSConstructor
    int32_t slot = -1;         // slot in the owner's function table, -1 without owner
    uint32_t frameSize = 0;
    int32_t argumentOffset = 0;
    uint32_t headerOffset = 0;
    uint32_t slotsNeeded = 0;
    uint32_t argumentSlotCount = 0;
    uint32_t referenceSlotCount = 0;
    const uint8_t* referenceSlots = nullptr;  // int32 words in the image
    uint32_t linePairCount = 0;
    const uint8_t* linePairs = nullptr;  // {int32, int32} pairs in the image
    uint32_t codeLength = 0;
    const uint8_t* code = nullptr;  // null when the length is 0
    GSNativeFunction* native = nullptr;
    // For a script function that redefines a base function: that function
    // and the data offset of the base's view.
    GSFunction* overridden = nullptr;
    uint32_t baseOffset = 0;
    // The record's number in the machine's function table (0: none).
    uint32_t tableIndex = 0;
    // What the function leaves its caller (GSResultShapeOf its result type).
    uint8_t resultShape = kGSShapeNothing;
    // One contract per call instruction of the code, in offset order (see
    // GSFlowVerifier.h).
    std::vector<GSCallContract> callContracts;
    // The deepest operand stack the loader's flow check found on any path,
    // or -1 when the code was not verified. The interpreter checks a
    // verified function's depth once, when its frame is entered, and then
    // runs it without per-instruction stack checks.
    int32_t maxStackDepth = -1;
    // What the interpreter runs of verified code: the code with its
    // superinstructions written in (interpreter/GSSuperInstructions.h);
    // empty when the code was not verified.
    std::vector<uint8_t> runCode;
    // Whether verified code never stores into local 0 (`me`): only then may
    // a frame of it hold a `me` whose count its caller's frame keeps (see
    // GSStack::FrameBorrowsMe).
    bool keepsMe = false;

    // The code the interpreter runs: runCode for verified code, else code.
    const uint8_t* RunCode() const { return runCode.empty() ? code : runCode.data(); }

    bool IsNative() const { return (flags & kGSNative) != 0; }
    // Locals of the frame: `me`, the arguments, the declared locals and the
    // temporaries.
    uint32_t LocalSlotCount() const { return argumentSlotCount + frameSize - 4; }
    // Frame slot i of the reference list (i below referenceSlotCount).
    // Inline: every frame's end reads its list.
    int32_t ReferenceSlot(uint32_t i) const {
        return static_cast<int32_t>(GSImageWord(referenceSlots + 4 * static_cast<uint64_t>(i)));
    }
    // True when `callee` may be called from the call instruction at code
    // offset `offset`: its result is one the code after the call was
    // verified for (unless `ignoreResult`, a thread start), and each of its
    // reference arguments gets a reference or 0. An argument that is the
    // result of a call which may return either is checked in `stack`, whose
    // slot `firstArgument` holds argument 1 (without a stack: refused).
    bool AcceptsCallee(uint32_t offset, const GSFunction* callee, bool ignoreResult, const GSStack* stack = nullptr,
                       int32_t firstArgument = 0) const;
    // Line pair i (i below linePairCount).
    LinePair GetLinePair(uint32_t i) const;

    // The source line of a code offset: -1 without line pairs; otherwise the
    // line of the pair before the first pair whose offset is greater (signed
    // comparison), the first pair's line when that is the first pair, the
    // last pair's line when none is greater.
    int32_t LineAt(int32_t codeOffset) const;
};

}  // namespace GSRuntime
