#pragma once
// Superinstructions: frequent sequences of the code generator that the
// threaded loop of verified code runs as one step. They are found once,
// when a function's code has been verified, and written into a copy of the
// code that the interpreter runs instead: the copy has the same bytes
// except that the opcode byte starting each sequence becomes one of the
// opcodes below (bytes no library may hold, so the copy's meaning is never
// ambiguous). Offsets, operands, jump targets and the lengths charged to
// the budget are therefore those of the library's code, and a jump into
// the middle of a sequence runs its original instructions from there.
//
// Each superinstruction does exactly what its sequence does; where the
// sequence could end in an error or leave the usual path, the interpreter
// runs the sequence's first instruction instead and goes on with the
// original ones.
#include <cstdint>
#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"

namespace GSRuntime {

enum GSSuperOpcode : uint8_t {
    // LoadLocal k; Dup; IncInt (DecInt); StoreLocal k; Pop: local k + 1 (- 1).
    OPX_IncLocal = 160,
    OPX_DecLocal,
    // CompareInt; IsLess (IsLessEqual, IsGreater, IsGreaterEqual);
    // JumpIfZero t: pops two and jumps unless the comparison holds.
    OPX_JumpUnlessLess,
    OPX_JumpUnlessLessEqual,
    OPX_JumpUnlessGreater,
    OPX_JumpUnlessGreaterEqual,
    // LoadLocal a; LoadLocal b (or PushConst c); and the three above: the
    // same jump on the local and the other operand.
    OPX_JumpUnlessLocalsLess,
    OPX_JumpUnlessLocalsLessEqual,
    OPX_JumpUnlessLocalsGreater,
    OPX_JumpUnlessLocalsGreaterEqual,
    OPX_JumpUnlessLocalConstLess,
    OPX_JumpUnlessLocalConstLessEqual,
    OPX_JumpUnlessLocalConstGreater,
    OPX_JumpUnlessLocalConstGreaterEqual,
    // LoadLocal a; LoadLocal b.
    OPX_LoadLocalPair,
    // PushConst c (or PushOne); AddInt (SubInt, MulInt, ModInt with c not
    // 0): the top combined with c.
    OPX_AddConst,
    OPX_SubConst,
    OPX_MulConst,
    OPX_ModConst,
    OPX_AddOne,
    OPX_SubOne,
    // PushOne; SubInt; Call (PushConst c; SubInt; Call): the last argument
    // less 1 (c), then the call.
    OPX_SubOneCall,
    OPX_SubConstCall,
    // AddInt; StoreLocal k.
    OPX_AddStoreLocal,
    // LoadLocalRef a; LoadLocal b.
    OPX_LoadRefAndLocal,
    // LoadLocalRef 0; LoadLocal b; then PushOne (PushConst c); SubInt;
    // Call: a call on the frame's own `me` (the call's target, depth -1)
    // with local b less 1 (c) as its argument; the callee's frame may
    // borrow the caller's count of `me` instead of taking one.
    OPX_MeSubOneCall,
    OPX_MeSubConstCall,
    // LoadLocal k (PushConst c, AddInt); ReturnValue.
    OPX_ReturnLocal,
    OPX_ReturnConst,
    OPX_ReturnSum,
    // LoadLocalRef a; LoadLocal i; ArrayGet: element i of the array in
    // local a, without counting the borrowed reference.
    OPX_LocalArrayGet,
    // ConcatString followed, d bytes on (1 to kGSMaxConcatStoreDistance),
    // by StoreLocalRef k or StoreLocalRefKeep k, with nothing between that
    // reads local k or leaves the straight line: OPX_ConcatBeforeStore +
    // d - 1. When the left string is the one local k holds, held by it and
    // the stack alone, it may take the right one in place: local k is
    // stored again before anything reads it.
    OPX_ConcatBeforeStore,
    // PushString a (up to four in a row), then up to four plain value
    // pushes (GSIsPlainValuePush), then CallNative: string constants among
    // the last arguments of a native call, OPX_StringsCallNative + n - 1
    // for n strings. When the native the call reaches only reads its
    // string arguments during the call
    // (GSNativeFunction::BorrowsStringArguments), it is lent the library's
    // constant objects (GSConstantStrings) instead of new strings; any
    // other call runs the plain instructions.
    OPX_StringsCallNative = OPX_ConcatBeforeStore + 32,
    OPX_SuperEnd = OPX_StringsCallNative + 4
};

constexpr uint32_t kGSMaxConcatStoreDistance = OPX_StringsCallNative - OPX_ConcatBeforeStore;
constexpr uint32_t kGSMaxLentStrings = OPX_SuperEnd - OPX_StringsCallNative;
constexpr uint32_t kGSMaxValuesAfterLentStrings = 4;

// Pushes of one value that cannot fail and touch no count: a constant or a
// value local.
inline bool GSIsPlainValuePush(uint8_t opcode) {
    return opcode == OP_PushConst || opcode == OP_PushZero || opcode == OP_PushOne || opcode == OP_LoadLocal;
}
static_assert(OPX_IncLocal >= kGSOpcodeCount, "superinstructions use bytes no library may hold");

// The code to run for verified code of `length` bytes: a copy with the
// superinstructions written in. The code must decode (it was verified).
std::vector<uint8_t> GSWriteSuperInstructions(const uint8_t* code, uint32_t length);

// Whether the code holds a store of any kind into local 0 (`me`). The code
// must decode (it was verified).
bool GSStoresLocalZero(const uint8_t* code, uint32_t length);

}  // namespace GSRuntime
