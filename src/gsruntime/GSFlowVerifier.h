#pragma once
// GSFlowVerifier: the second check of a function's bytecode at load time,
// after GSVerifyCode has found its instructions, targets and indices sound.
// It follows every path from the first instruction (and from every message
// handler a wait names) with the kinds of the operand-stack slots and of
// the locals, and refuses code that could make the interpreter take an
// integer for a reference:
//   - the stack depth is the same on every path that reaches an
//     instruction, never goes below the frame's operand stack, and is 0
//     when the function returns;
//   - every operand that an instruction uses as a reference (to count,
//     release, index, call through or store through) is a reference or the
//     constant 0 on every path;
//   - reference locals (the frame's reference slots and `me`) are only
//     read and written by the counted forms, and receive references or 0;
//     other locals carry whatever was stored last, so a temporary may hold
//     a message and later an integer; a plain load moves a reference out of
//     a temporary (loaded again, it is no reference);
//   - no plain copy of a reference (OP_Dup, the index of OP_DupPairRef, a
//     keeping plain store) becomes a second owner of its count;
//   - no member instruction names slot 0 or 1, the fixed slots of a view;
//   - a function returns the kind its result type says (Return for void,
//     ReturnValue for bool, int and float, ReturnRef for the rest).
// Other member slots and method indices are checked against the linked
// classes (GSCodeLinkCheck) and, again, by the interpreter against the
// object's class: it refuses reference access to value members and a
// non-zero plain store into reference members or view headers.
//
// What a call leaves (nothing, a value or a reference) depends on the
// function the target's method table names at run time, which the code
// does not say. The verifier finds the results that make the code after
// each call check out (searching the combinations, with a bound on the
// work), and hands back one contract per call site: those results and the
// kinds of the argument slots. The interpreter checks the function it is
// about to call against the contract of its call site. An argument that is
// the result of a call whose site takes either a value or a reference is
// recorded as kGSKindCallResult: the interpreter then checks the shape that
// call really returned.
#include <cstdint>
#include <vector>

#include "gsruntime/GSPauseSlots.h"

namespace GSRuntime {

// Kinds of 32-bit slots as far as the code shows them.
enum GSSlotKind : uint8_t {
    kGSKindMixed = 0,      // a value on some paths, a reference on others
    kGSKindValue = 1,      // int, bool or float
    kGSKindReference = 2,  // a reference (maybe null)
    kGSKindZero = 3,       // the constant 0: null and 0 alike
    // The result of a call, still in the slot the call left it in, from a
    // call site whose result may be a value or a reference (both check out):
    // what the function called there returned decides, which the
    // interpreter keeps beside each call's result (GSStack::ResultShapeAt).
    // Only argument kinds of call contracts carry it.
    kGSKindCallResult = 4,
};

// Results of a function, as bits of a set.
enum : uint8_t {
    kGSShapeNothing = 1,
    kGSShapeValue = 2,
    kGSShapeReference = 4,
};

// The result shape of a result type code (0 void).
uint8_t GSResultShapeOf(uint32_t typeCode);

struct GSCallContract {
    uint32_t offset = 0;  // code offset of the call instruction
    uint8_t shapes = 0;   // results the code after the call was verified for
    std::vector<uint8_t> argumentKinds;  // kinds of the argument slots, in order
};

struct GSFlowInput {
    const uint8_t* code = nullptr;
    uint32_t length = 0;
    uint32_t localSlots = 0;     // `me`, arguments, locals and temporaries
    uint32_t argumentSlots = 0;  // `me` and the arguments
    std::vector<bool> referenceLocals;  // one per local slot; slot 0 (`me`) included
    uint8_t resultShape = kGSShapeNothing;
};

// True when the code passes; `contracts` then holds one contract per
// reachable call instruction, in offset order, and `maxDepth` (when given)
// the deepest operand stack any accepted path reaches, which the
// interpreter relies on instead of checking every instruction. False with
// the offset of an offending instruction (or of the code's start when the
// search gave up). `pauses` (when given) receives, for every point at
// which a frame can stand while its thread is paused, the operand-stack
// slots that hold a reference there on every path and under every result
// the contracts let the calls return (see GSPauseSlots.h); asking for it
// changes nothing else.
bool GSVerifyFlow(const GSFlowInput& input, std::vector<GSCallContract>& contracts, uint32_t* faultOffset = nullptr,
                  int32_t* maxDepth = nullptr, GSPauseSlots* pauses = nullptr);

}  // namespace GSRuntime
