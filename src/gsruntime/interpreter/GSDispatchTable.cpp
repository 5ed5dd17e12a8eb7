#include "gsruntime/interpreter/GSDispatchTable.h"

#include <array>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/interpreter/GSSuperInstructions.h"

namespace GSRuntime {

namespace {

bool IllegalInstruction(GSRunState& s) { return s.Raise(ER_IllegalInstruction); }

void FillStackNeeds() {
    for (uint32_t op = 0; op < kGSDispatchEntries; ++op) {
        const GSInstructionInfo* info = GSInstructionInfoOf(static_cast<uint8_t>(op));
        g_gsStackNeeds[op] = GSStackNeed();
        if (!info || (info->flags & kGSVariableStack)) continue;
        g_gsStackNeeds[op].pops = info->pops;
        g_gsStackNeeds[op].growth = info->pushes > info->pops ? info->pushes - info->pops : 0;
    }
}

using Table = std::array<GSOpHandler, 2 * kGSDispatchEntries>;

Table BuildTable() {
    FillStackNeeds();
    Table table;
    table.fill(nullptr);
    for (uint32_t op = 0; op < kGSDispatchEntries; ++op) table[op] = &IllegalInstruction;
    GSInstallArithmeticHandlers(table.data());
    GSInstallLocalHandlers(table.data());
    GSInstallJumpHandlers(table.data());
    GSInstallArrayHandlers(table.data());
    GSInstallStringHandlers(table.data());
    GSInstallObjectHandlers(table.data());
    GSInstallMemberHandlers(table.data());
    GSInstallCallHandlers(table.data());
    GSInstallWaitHandlers(table.data());
    // Only the instruction table's opcodes are instructions, whatever a
    // family installed.
    for (uint32_t op = 0; op < kGSDispatchEntries; ++op) {
        if (op >= kGSOpcodeCount) table[op] = &IllegalInstruction;
        if (op >= kGSOpcodeCount || !table[kGSDispatchEntries + op]) table[kGSDispatchEntries + op] = table[op];
    }
    // Superinstructions that the threaded loop of verified code leaves to
    // the table (only the copy of verified code holds them).
    for (uint32_t op = OPX_StringsCallNative; op < OPX_SuperEnd; ++op)
        table[kGSDispatchEntries + op] = &GSStringsCallNative;
    return table;
}

}  // namespace

GSStackNeed g_gsStackNeeds[kGSDispatchEntries];

const GSOpHandler* GSDispatchTable() {
    static const Table table = BuildTable();
    return table.data();
}

}  // namespace GSRuntime
