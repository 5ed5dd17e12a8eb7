#pragma once
// The interpreter's dispatch table: 256 handlers indexed by the opcode
// byte, built once on first use. Entries 0 to 115 are the instructions of
// the shared instruction table (gscompiler/bytecode/GSBytecode.h); entries
// 116 to 255 raise ER_IllegalInstruction, but for the unchecked entries of
// the superinstructions the threaded loop leaves to the table.
//
// A handler runs with the program counter just past its opcode byte, reads
// its operands, does its work and returns true to go on with the next
// instruction, or false when the run ends (the code is in the run state).
//
// The table has two halves. The first, for code the loader did not verify,
// installs handlers whose stack effect is fixed through GSStackChecked,
// which first makes sure that the operands the instruction takes are on the
// current frame's operand stack and that what it leaves fits the stack (the
// counts come from the instruction table): too few operands raise
// ER_IllegalInstruction, too little room ER_StackOverflow. The second half
// (entry kGSDispatchEntries + opcode) holds the same handlers without those
// checks, for verified code: the loader proved every path's depths and the
// frame's deepest operand stack was checked against the stack when the
// frame was entered. The call, return and wait handlers check their own
// operands in both halves. Beyond that
// the handlers trust what the library loader has verified of the code
// (opcodes, targets, local slots, string and class indices); member slots
// and method indices are bounded against the object at run time.
#include <cstdint>

#include "gsruntime/interpreter/GSRunState.h"

namespace GSRuntime {

using GSOpHandler = bool (*)(GSRunState& s);

constexpr uint32_t kGSDispatchEntries = 256;

// The table (2 * kGSDispatchEntries entries), built on the first call.
const GSOpHandler* GSDispatchTable();

// Operand-stack needs of an opcode: the slots it takes and by how much it
// may raise the stack pointer beyond where it was.
struct GSStackNeed {
    int32_t pops = 0;
    int32_t growth = 0;
};
// Filled from the instruction table when the dispatch table is built.
extern GSStackNeed g_gsStackNeeds[kGSDispatchEntries];

template <uint8_t Opcode, GSOpHandler Body>
bool GSStackChecked(GSRunState& s) {
    const GSStackNeed& need = g_gsStackNeeds[Opcode];
    if (s.Depth() < need.pops) return s.Raise(ER_IllegalInstruction);
    if (s.sp + need.growth >= s.capacity) return s.Raise(ER_StackOverflow);
    return Body(s);
}

// Installs a handler with a fixed stack effect in both halves.
template <uint8_t Opcode, GSOpHandler Body>
void GSInstallChecked(GSOpHandler* table) {
    table[Opcode] = &GSStackChecked<Opcode, Body>;
    table[kGSDispatchEntries + Opcode] = Body;
}

// Each instruction family installs its handlers (a handler installed in
// the first half only serves both).
void GSInstallArithmeticHandlers(GSOpHandler* table);  // tables 1 and 2
void GSInstallLocalHandlers(GSOpHandler* table);       // table 3
void GSInstallJumpHandlers(GSOpHandler* table);        // table 4 and the switch
void GSInstallArrayHandlers(GSOpHandler* table);       // table 5
void GSInstallStringHandlers(GSOpHandler* table);      // table 6
void GSInstallObjectHandlers(GSOpHandler* table);      // table 7
void GSInstallMemberHandlers(GSOpHandler* table);      // table 8
void GSInstallCallHandlers(GSOpHandler* table);        // table 9: calls and returns
void GSInstallWaitHandlers(GSOpHandler* table);        // table 10

// The superinstruction of string constants passed to a native call
// (OPX_StringsCallNative, GSSuperInstructions.h): the unchecked half holds
// it for the threaded loop of verified code, the checked half refuses it.
bool GSStringsCallNative(GSRunState& s);

}  // namespace GSRuntime
