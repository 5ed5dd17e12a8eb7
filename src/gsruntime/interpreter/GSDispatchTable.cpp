#include "gsruntime/interpreter/GSDispatchTable.h"

#include <array>

#include "gscompiler/bytecode/GSBytecode.h"

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

std::array<GSOpHandler, kGSDispatchEntries> BuildTable() {
    FillStackNeeds();
    std::array<GSOpHandler, kGSDispatchEntries> table;
    table.fill(&IllegalInstruction);
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
    for (uint32_t op = kGSOpcodeCount; op < kGSDispatchEntries; ++op) table[op] = &IllegalInstruction;
    return table;
}

}  // namespace

GSStackNeed g_gsStackNeeds[kGSDispatchEntries];

const GSOpHandler* GSDispatchTable() {
    static const std::array<GSOpHandler, kGSDispatchEntries> table = BuildTable();
    return table.data();
}

}  // namespace GSRuntime
