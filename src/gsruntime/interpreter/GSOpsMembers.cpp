// Members (opcodes 97 to 108): slot k of the view a reference designates,
// or of `me` (local slot 0). The reference operand of 97 to 102 is released
// after the access; a null one raises ER_NullReference. Reference stores go
// through the member stores of the object model, which release the
// member's old reference and store null instead of a reference of another,
// unshared context. A member slot outside the instance's data, counted
// access to a member that holds no reference, and a plain store of
// anything but 0 into a reference member or of anything into a view's
// fixed slots raise ER_LinkError.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/interpreter/GSDispatchTable.h"

namespace GSRuntime {

namespace {

using Instance = GSScriptInstance;

// What an access does with a member slot: reads it, reads it as a counted
// reference, stores a value, or stores a reference.
enum class Access { Read, ReadReference, StoreValue, StoreReference };

// True when member slot `slot` of `view` lies inside its instance's data
// and the access fits what the class keeps there: counted access only to
// reference members, and plain stores only of 0 into a reference member
// and never into a view's fixed slots.
bool Allowed(GSDataRef view, uint16_t slot, Access access, uint32_t value) {
    const Instance* header = Instance::FromReference(view);
    if (!header->cls) return access == Access::Read && uint64_t(Instance::ViewOffset(view)) + slot < 1;
    const uint64_t at = uint64_t(Instance::ViewOffset(view)) + slot;
    if (at >= header->cls->DataSlotCount()) return false;
    const uint8_t* kinds = header->cls->DataSlotKinds();
    if (!kinds) return false;
    switch (access) {
        case Access::Read:
            return true;
        case Access::ReadReference:
        case Access::StoreReference:
            return kinds[at] == GSClass::kDataReference;
        case Access::StoreValue:
            return kinds[at] == GSClass::kDataValue || (kinds[at] == GSClass::kDataReference && value == 0);
    }
    return false;
}

// Checks the holder of an access: not null, the access allowed.
bool CheckHolder(GSRunState& s, GSDataRef holder, uint16_t slot, Access access, uint32_t value = 0) {
    if (!holder) return s.Raise(ER_NullReference);
    if (!Allowed(holder, slot, access, value)) return s.Raise(ER_LinkError);
    return true;
}

// r -> v (counted when Ref)
template <bool Ref>
bool LoadMember(GSRunState& s) {
    const uint16_t slot = s.U16();
    const GSDataRef holder = s.Top();
    if (!CheckHolder(s, holder, slot, Ref ? Access::ReadReference : Access::Read)) return false;
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
    const uint32_t value = s.At(0);
    if (!CheckHolder(s, holder, slot, Kind == Store::Value ? Access::StoreValue : Access::StoreReference, value))
        return false;
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
    if (!CheckHolder(s, me, slot, Ref ? Access::ReadReference : Access::Read)) return false;
    s.Push(Ref ? Instance::LoadSlotReference(me, slot) : Instance::LoadSlot(me, slot));
    return true;
}

// v -> (v when KeepValue)
template <Store Kind, bool KeepValue>
bool StoreMyMember(GSRunState& s) {
    const uint16_t slot = s.U16();
    const GSDataRef me = s.Me();
    if (!CheckHolder(s, me, slot, Kind == Store::Value ? Access::StoreValue : Access::StoreReference, s.Top()))
        return false;
    const uint32_t value = KeepValue ? s.Top() : s.Pop();
    StoreInto(me, slot, value, Kind);
    return true;
}

}  // namespace

void GSInstallMemberHandlers(GSOpHandler* table) {
    GSInstallChecked<OP_LoadMember, &LoadMember<false>>(table);
    GSInstallChecked<OP_LoadMemberRef, &LoadMember<true>>(table);
    GSInstallChecked<OP_StoreMember, &StoreMember<Store::Value, false>>(table);
    GSInstallChecked<OP_StoreMemberKeep, &StoreMember<Store::Value, true>>(table);
    GSInstallChecked<OP_StoreMemberRef, &StoreMember<Store::Transfer, false>>(table);
    GSInstallChecked<OP_StoreMemberRefKeep, &StoreMember<Store::Keep, true>>(table);
    GSInstallChecked<OP_LoadMyMember, &LoadMyMember<false>>(table);
    GSInstallChecked<OP_LoadMyMemberRef, &LoadMyMember<true>>(table);
    GSInstallChecked<OP_StoreMyMember, &StoreMyMember<Store::Value, false>>(table);
    GSInstallChecked<OP_StoreMyMemberRef, &StoreMyMember<Store::Transfer, false>>(table);
    GSInstallChecked<OP_StoreMyMemberKeep, &StoreMyMember<Store::Value, true>>(table);
    GSInstallChecked<OP_StoreMyMemberRefKeep, &StoreMyMember<Store::Keep, true>>(table);
}

}  // namespace GSRuntime
