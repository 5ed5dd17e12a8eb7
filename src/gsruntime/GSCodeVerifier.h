#pragma once
// GSCodeVerifier: checks the bytecode of one function once, when its library
// is loaded, so that the interpreter can trust what the code says about the
// code itself and about the tables of its library:
//   - every opcode is known and every instruction, with its operands and its
//     switch or wait table, lies inside the code;
//   - execution cannot run off the end: the last instruction is one that
//     never continues with the next (a jump, a switch, a return, a wait);
//   - every jump, switch and wait target is the start of an instruction;
//   - local slots lie inside the frame's locals (me, the arguments, the
//     declared locals and temporaries);
//   - string indices lie inside the library's string table and class
//     indices inside its class imports;
//   - a wait's count is not negative.
// Member slots and method indices depend on the object a reference
// designates at run time; the interpreter bounds them against that object.
// Empty code (natives, empty class initialisation) passes.
#include <cstdint>

namespace GSRuntime {

struct GSCodeLimits {
    uint32_t localSlots = 0;   // local slots of the frame: argument slots + L
    uint32_t stringCount = 0;  // strings of the library
    uint32_t classCount = 0;   // class imports of the library
};

// True when the code passes every check above. `faultOffset`, when given,
// receives the offset of the first offending instruction.
bool GSVerifyCode(const uint8_t* code, uint32_t length, const GSCodeLimits& limits, uint32_t* faultOffset = nullptr);

}  // namespace GSRuntime
