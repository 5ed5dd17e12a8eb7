// Locals and stack shuffling (opcodes 31 to 42). The Ref forms keep the
// reference counts: a load adds a count, a pop releases one, a store
// releases the reference it overwrites and then either moves the stack's
// count into the local (popping forms) or gives the local a count of its
// own (Keep forms). The other forms move 32-bit values and never touch
// counts.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSFrequentOps.h"

namespace GSRuntime {

namespace {

using GSFrequentOps::AddCount;
using GSFrequentOps::LoadLocalRef;
using GSFrequentOps::PopRef;
using GSFrequentOps::StoreLocalRef;

bool LoadLocal(GSRunState& s) {
    s.Push(s.Local(s.U16()));
    return true;
}

bool StoreLocal(GSRunState& s) {
    const uint16_t slot = s.U16();
    s.Local(slot) = s.Pop();
    return true;
}

bool StoreLocalKeep(GSRunState& s) {
    s.Local(s.U16()) = s.Top();
    return true;
}

// Releases the local's old reference, then stores the new one; `keep`
// leaves it on the stack with a count of the local's own.
bool Pop(GSRunState& s) {
    s.Pop();
    return true;
}

bool Dup(GSRunState& s) {
    const uint32_t value = s.Top();
    s.Push(value);
    return true;
}

bool DupRef(GSRunState& s) {
    const GSDataRef value = s.Top();
    AddCount(value);
    s.Push(value);
    return true;
}

// r i -> r i r i, the copy of r counted, i copied as it is.
bool DupPairRef(GSRunState& s) {
    const GSDataRef reference = s.At(1);
    const uint32_t index = s.At(0);
    AddCount(reference);
    s.Push(reference);
    s.Push(index);
    return true;
}

bool Swap(GSRunState& s) {
    const uint32_t top = s.At(0);
    s.At(0) = s.At(1);
    s.At(1) = top;
    return true;
}

}  // namespace

void GSInstallLocalHandlers(GSOpHandler* table) {
    GSInstallChecked<OP_LoadLocal, &LoadLocal>(table);
    GSInstallChecked<OP_LoadLocalRef, &LoadLocalRef>(table);
    GSInstallChecked<OP_StoreLocal, &StoreLocal>(table);
    GSInstallChecked<OP_StoreLocalKeep, &StoreLocalKeep>(table);
    GSInstallChecked<OP_StoreLocalRef, &StoreLocalRef<false>>(table);
    GSInstallChecked<OP_StoreLocalRefKeep, &StoreLocalRef<true>>(table);
    GSInstallChecked<OP_Pop, &Pop>(table);
    GSInstallChecked<OP_PopRef, &PopRef>(table);
    GSInstallChecked<OP_Dup, &Dup>(table);
    GSInstallChecked<OP_DupRef, &DupRef>(table);
    GSInstallChecked<OP_DupPairRef, &DupPairRef>(table);
    GSInstallChecked<OP_Swap, &Swap>(table);
}

}  // namespace GSRuntime
