#pragma once
// The GameScript instruction set: opcode numbers and mnemonics, how each
// instruction's operands are encoded, what it takes from and leaves on the
// operand stack, and a decoder that both the code generator and the library
// loader's code verifier use.
//
// An instruction is one opcode byte followed by its operands, little-endian,
// without alignment. Code offsets (jump, switch and handler targets) count
// from the first byte of the function's code. Opcode bytes 116 to 255 are
// illegal.
#include <cstdint>

enum GSOpcode : uint8_t {
    // Integer arithmetic, conversion and logic.
    OP_AddInt = 0,
    OP_SubInt = 1,
    OP_MulInt = 2,
    OP_DivInt = 3,
    OP_ModInt = 4,
    OP_NegInt = 5,
    OP_IncInt = 6,
    OP_DecInt = 7,
    OP_IntToFloat = 8,
    OP_CompareInt = 9,
    OP_PushZero = 10,
    OP_PushOne = 11,
    OP_NotInt = 12,
    OP_AndInt = 13,
    OP_OrInt = 14,
    OP_XorInt = 15,
    OP_ComplementInt = 16,
    OP_ShiftLeft = 17,
    OP_ShiftRight = 18,
    // Float arithmetic and conversion.
    OP_AddFloat = 19,
    OP_SubFloat = 20,
    OP_MulFloat = 21,
    OP_DivFloat = 22,
    OP_ModFloat = 23,
    OP_NegFloat = 24,
    OP_IncFloat = 25,
    OP_DecFloat = 26,
    OP_FloatToInt = 27,
    OP_CompareFloat = 28,
    OP_NotFloat = 29,
    OP_PushConst = 30,
    // Locals and stack shuffling.
    OP_LoadLocal = 31,
    OP_LoadLocalRef = 32,
    OP_StoreLocal = 33,
    OP_StoreLocalKeep = 34,
    OP_StoreLocalRef = 35,
    OP_StoreLocalRefKeep = 36,
    OP_Pop = 37,
    OP_PopRef = 38,
    OP_Dup = 39,
    OP_DupRef = 40,
    OP_DupPairRef = 41,
    OP_Swap = 42,
    // Jumps and comparison tests.
    OP_Jump = 43,
    OP_JumpIfZero = 44,
    OP_JumpIfNotZero = 45,
    OP_JumpIfZeroKeep = 46,
    OP_JumpIfNotZeroKeep = 47,
    OP_JumpIfLess = 48,
    OP_JumpIfLessEqual = 49,
    OP_JumpIfGreater = 50,
    OP_JumpIfGreaterEqual = 51,
    OP_IsLess = 52,
    OP_IsLessEqual = 53,
    OP_IsGreater = 54,
    OP_IsGreaterEqual = 55,
    // Arrays.
    OP_NewArray = 56,
    OP_NewRefArray = 57,
    OP_ArraySize = 58,
    OP_ArrayCopy = 59,
    OP_ArrayGet = 60,
    OP_ArraySet = 61,
    OP_ArraySetKeep = 62,
    OP_ArrayGetRef = 63,
    OP_ArraySetRef = 64,
    OP_ArraySetRefKeep = 65,
    OP_ArraySlice = 66,
    OP_ArraySetRange = 67,
    OP_ArraySetRangeKeep = 68,
    OP_RefArraySlice = 69,
    OP_RefArraySetRange = 70,
    OP_RefArraySetRangeKeep = 71,
    // Strings.
    OP_NewString = 72,
    OP_PushString = 73,
    OP_IntToString = 74,
    OP_BoolToString = 75,
    OP_FloatToString = 76,
    OP_StringCopy = 77,
    OP_StringSize = 78,
    OP_StringGet = 79,
    OP_StringSet = 80,
    OP_StringSetKeep = 81,
    OP_StringSlice = 82,
    OP_StringSetRange = 83,
    OP_StringSetRangeKeep = 84,
    OP_CompareString = 85,
    OP_ConcatString = 86,
    // Objects and references.
    OP_IsClass = 87,
    OP_NewObject = 88,
    OP_PushStatic = 89,
    OP_Cast = 90,
    OP_RefNotEqual = 91,
    OP_IsNull = 92,
    OP_IsNotNull = 93,
    // Calls.
    OP_Call = 94,
    OP_CallNative = 95,
    OP_CallThread = 96,
    // Members.
    OP_LoadMember = 97,
    OP_LoadMemberRef = 98,
    OP_StoreMember = 99,
    OP_StoreMemberKeep = 100,
    OP_StoreMemberRef = 101,
    OP_StoreMemberRefKeep = 102,
    OP_LoadMyMember = 103,
    OP_LoadMyMemberRef = 104,
    OP_StoreMyMember = 105,
    OP_StoreMyMemberRef = 106,
    OP_StoreMyMemberKeep = 107,
    OP_StoreMyMemberRefKeep = 108,
    // Returns, messages, switch, base call.
    OP_Return = 109,
    OP_ReturnValue = 110,
    OP_ReturnRef = 111,
    OP_Wait = 112,
    OP_Switch = 113,
    OP_CallBase = 114,
    OP_NotZero = 115,
};

// Number of legal opcodes: bytes 0 to kGSOpcodeCount - 1.
constexpr uint32_t kGSOpcodeCount = 116;

// How the operands after the opcode byte are encoded.
enum class GSOperands : uint8_t {
    None,         // no operand
    LocalSlot,    // uint16 local slot of the current frame
    StringIndex,  // uint16 index into the library's string table
    ClassIndex,   // uint16 index into the library's class imports
    MemberSlot,   // uint16 slot within the view a reference designates
    Constant,     // int32 value pushed as it stands
    CodeOffset,   // uint32 jump target
    Call,         // int16 depth of the target (0 or negative), uint16 method index
    BaseCall,     // int16 depth of the target
    Switch,       // uint16 n; n int32 keys (ascending); n int32 targets; int32 default target
    Wait,         // int16 n (not negative); n x {uint16 major, uint16 minor string index};
                  // n int32 handler offsets
};

// Flags of an instruction.
enum : uint8_t {
    // Its operand is a jump target (43 to 51).
    kGSBranch = 0x01,
    // Execution never continues with the next instruction: an unconditional
    // jump, a switch, a return or a wait.
    kGSNoFallThrough = 0x02,
    // Its stack effect depends on the function called or on the wait's
    // handlers; the code generator adjusts the depth itself (94, 95, 96,
    // 112, 114).
    kGSVariableStack = 0x04,
};

struct GSInstructionInfo {
    const char* mnemonic;  // "OP_AddInt" ...
    GSOperands operands;
    uint8_t pops;    // operand-stack slots taken (0 for the variable ones)
    uint8_t pushes;  // operand-stack slots left
    uint8_t flags;
};

// The row of an opcode; null for an illegal opcode byte.
const GSInstructionInfo* GSInstructionInfoOf(uint8_t opcode);

// The mnemonic of an opcode; "illegal" for an illegal byte.
const char* GSOpcodeName(uint8_t opcode);

// The operand-stack depth change the code generator charges for an opcode:
// pushes minus pops; 0 for the variable instructions and for illegal bytes.
int32_t GSStackEffect(uint8_t opcode);

// One decoded instruction. `first` and `second` hold the fixed operands:
//   LocalSlot, StringIndex, ClassIndex, MemberSlot: first = the uint16;
//   Constant: first = the int32; CodeOffset: first = the offset (as uint32
//   bits); Call: first = depth (int16, widened), second = method index;
//   BaseCall: first = depth; Switch and Wait: first = the count n.
// For Switch and Wait, `table` is the code offset of the first byte after
// the count.
struct GSInstruction {
    uint8_t opcode = 0;
    uint32_t offset = 0;  // of the opcode byte
    uint32_t length = 0;  // bytes, opcode included
    int32_t first = 0;
    int32_t second = 0;
    uint32_t table = 0;
};

// Bytes an instruction of fixed length takes (opcode included); 0 for the
// switch and the wait (their length depends on their count) and for illegal
// bytes.
uint32_t GSFixedInstructionLength(uint8_t opcode);

// Decodes the instruction at `offset` of `code` (`size` bytes). False when
// the opcode is illegal, when the offset or any operand or table byte lies
// at or past `size`, or when a wait's count is negative.
bool GSDecodeInstruction(const uint8_t* code, uint32_t size, uint32_t offset, GSInstruction& out);

// Entries of a decoded switch (i below its count): key i, target i, default.
int32_t GSSwitchKey(const uint8_t* code, const GSInstruction& in, uint32_t i);
int32_t GSSwitchTarget(const uint8_t* code, const GSInstruction& in, uint32_t i);
int32_t GSSwitchDefault(const uint8_t* code, const GSInstruction& in);

// Entries of a decoded wait (i below its count): the major and minor string
// indices of pair i and its handler offset.
uint16_t GSWaitMajor(const uint8_t* code, const GSInstruction& in, uint32_t i);
uint16_t GSWaitMinor(const uint8_t* code, const GSInstruction& in, uint32_t i);
int32_t GSWaitHandler(const uint8_t* code, const GSInstruction& in, uint32_t i);
