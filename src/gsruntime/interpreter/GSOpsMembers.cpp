// Members (opcodes 97 to 108): slot k of the view a reference designates,
// or of `me` (local slot 0). The reference operand of 97 to 102 is released
// after the access; a null one raises ER_NullReference. Reference stores go
// through the member stores of the object model, which release the
// member's old reference and store null instead of a reference of another,
// unshared context. A member slot outside the instance's data raises
// ER_LinkError.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/interpreter/GSDispatchTable.h"

namespace GSRuntime {

namespace {

using Instance = GSScriptInstance;

// True when member slot `slot` of `view` lies inside its instance's data.
bool Inside(GSDataRef view, uint16_t slot) {
    const Instance* header = Instance::FromReference(view);
    const uint64_t size = header->cls ? header->cls->DataSlotCount() : 1;
    return uint64_t(Instance::ViewOffset(view)) + slot < size;
}

// Checks the holder of an access: not null, the slot inside it.
bool CheckHolder(GSRunState& s, GSDataRef holder, uint16_t slot) {
    if (!holder) return s.Raise(ER_NullReference);
    if (!Inside(holder, slot)) return s.Raise(ER_LinkError);
    return true;
}

// r -> v (counted when Ref)
template <bool Ref>
bool LoadMember(GSRunState& s) {
    const uint16_t slot = s.U16();
    const GSDataRef holder = s.Top();
    if (!CheckHolder(s, holder, slot)) return false;
    s.Top() = Ref ? Instance::LoadSlotReference(holder, slot) : Instance::LoadSlot(holder, slot);
    Instance::ReleaseReference(holder);
    return true;
}

// The store of a value into a holder's slot: a plain store, a reference
// taking the stack's count (Transfer), or a reference with a count of its
// own (Keep).
enum class Store { Value, Transfer, Keep };

void StoreInto(GSDataRef holder, uint16_t slot, uint32_t value, Store kind) {
    switch (kind) {
        case Store::Value:
            Instance::StoreSlot(holder, slot, value);
            break;
        case Store::Transfer:
            Instance::TransferReference(holder, slot, value);
            break;
        case Store::Keep:
            Instance::StoreReference(holder, slot, value);
            break;
    }
}

// r v -> (v when KeepValue)
template <Store Kind, bool KeepValue>
bool StoreMember(GSRunState& s) {
    const uint16_t slot = s.U16();
    const GSDataRef holder = s.At(1);
    if (!CheckHolder(s, holder, slot)) return false;
    const uint32_t value = s.At(0);
    StoreInto(holder, slot, value, Kind);
    s.sp -= KeepValue ? 1 : 2;
    if (KeepValue) s.Top() = value;
    Instance::ReleaseReference(holder);
    return true;
}

// -> v (counted when Ref)
template <bool Ref>
bool LoadMyMember(GSRunState& s) {
    const uint16_t slot = s.U16();
    const GSDataRef me = s.Me();
    if (!CheckHolder(s, me, slot)) return false;
    s.Push(Ref ? Instance::LoadSlotReference(me, slot) : Instance::LoadSlot(me, slot));
    return true;
}

// v -> (v when KeepValue)
template <Store Kind, bool KeepValue>
bool StoreMyMember(GSRunState& s) {
    const uint16_t slot = s.U16();
    const GSDataRef me = s.Me();
    if (!CheckHolder(s, me, slot)) return false;
    const uint32_t value = KeepValue ? s.Top() : s.Pop();
    StoreInto(me, slot, value, Kind);
    return true;
}

}  // namespace

void GSInstallMemberHandlers(GSOpHandler* table) {
    table[OP_LoadMember] = &GSStackChecked<OP_LoadMember, &LoadMember<false>>;
    table[OP_LoadMemberRef] = &GSStackChecked<OP_LoadMemberRef, &LoadMember<true>>;
    table[OP_StoreMember] = &GSStackChecked<OP_StoreMember, &StoreMember<Store::Value, false>>;
    table[OP_StoreMemberKeep] = &GSStackChecked<OP_StoreMemberKeep, &StoreMember<Store::Value, true>>;
    table[OP_StoreMemberRef] = &GSStackChecked<OP_StoreMemberRef, &StoreMember<Store::Transfer, false>>;
    table[OP_StoreMemberRefKeep] = &GSStackChecked<OP_StoreMemberRefKeep, &StoreMember<Store::Keep, true>>;
    table[OP_LoadMyMember] = &GSStackChecked<OP_LoadMyMember, &LoadMyMember<false>>;
    table[OP_LoadMyMemberRef] = &GSStackChecked<OP_LoadMyMemberRef, &LoadMyMember<true>>;
    table[OP_StoreMyMember] = &GSStackChecked<OP_StoreMyMember, &StoreMyMember<Store::Value, false>>;
    table[OP_StoreMyMemberRef] = &GSStackChecked<OP_StoreMyMemberRef, &StoreMyMember<Store::Transfer, false>>;
    table[OP_StoreMyMemberKeep] = &GSStackChecked<OP_StoreMyMemberKeep, &StoreMyMember<Store::Value, true>>;
    table[OP_StoreMyMemberRefKeep] = &GSStackChecked<OP_StoreMyMemberRefKeep, &StoreMyMember<Store::Keep, true>>;
}

}  // namespace GSRuntime
