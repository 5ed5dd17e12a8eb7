#include "gsnatives/GSOKUIDList.h"

#include "gsnatives/BoundObject.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/LockedRefusal.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

constexpr const char* kLockedText = "KUIDList.Copy> list is locked";

}  // namespace

GSOKUIDList::GSOKUIDList(GSContext* context, const KUIDArray& list) : m_list(list), m_locked(true) {
    BindClass(GetScriptClass(), context);
}

GSOKUIDList::GSOKUIDList(GSContext* context) { BindClass(GetScriptClass(), context); }

GSOKUIDList::~GSOKUIDList() { m_list.Clear(); }

GSOKUIDList* GSOKUIDList::CreateLocked(GSContext* context, const KUIDArray& list) {
    return KeepIfBound(new GSOKUIDList(context, list));
}

GSOKUIDList* GSOKUIDList::Create(GSContext* context) { return KeepIfBound(new GSOKUIDList(context)); }

bool GSOKUIDList::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::KUIDList); }

GSClass* GSOKUIDList::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::KUIDList); }

void GSOKUIDList::NativeCountKUIDs(GSStack* stack) { stack->Push(static_cast<uint32_t>(m_list.Count())); }

void GSOKUIDList::NativeAddKUID(GSStack* stack) {
    if (!WritableOrRaise(m_locked, kLockedText)) return;
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 1, kuid)) return;
    if (!m_list.Find(kuid->GetKUID())) m_list.Add(kuid->GetKUID());
}

void GSOKUIDList::NativeRemoveKUID(GSStack* stack) {
    if (!WritableOrRaise(m_locked, kLockedText)) return;
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 1, kuid)) return;
    m_list.RemoveOrdered(m_list.Find(kuid->GetKUID()));
}

void GSOKUIDList::NativeHasKUID(GSStack* stack) {
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 1, kuid)) return;
    stack->Push(m_list.Find(kuid->GetKUID()) ? 1 : 0);
}

void GSOKUIDList::NativeGetIndexedKUID(GSStack* stack) {
    const uint32_t index = stack->Local(1);
    const KUID* kuid = index < m_list.Count() ? m_list[index] : nullptr;
    if (!kuid) {
        GSRaiseScriptException("KUIDList.GetIndexedKUID> index out of range");
        return;
    }
    PushKUID(stack, GetContext(), *kuid);
}

void GSOKUIDList::NativeCopy(GSStack* stack) {
    if (!WritableOrRaise(m_locked, kLockedText)) return;
    GSOKUIDList* source = nullptr;
    if (!GetParam<GSOKUIDList>(stack, 1, source)) return;
    // Emptied first: a list copied onto itself ends empty.
    m_list.Clear();
    if (source != this) m_list = source->m_list;
}

void GSOKUIDList::NativeClear(GSStack*) {
    if (!WritableOrRaise(m_locked, "KUIDList.Clear> list is locked")) return;
    m_list.Clear();
}

void GSOKUIDList::NativeIsLocked(GSStack* stack) { stack->Push(m_locked ? 1 : 0); }

void RegisterKUIDListNatives() {
    static const MemberNative<GSOKUIDList> kNatives[] = {
        {"$int@KUIDList::CountKUIDs()", &GSOKUIDList::NativeCountKUIDs},
        {"$void@KUIDList::AddKUID(KUID)", &GSOKUIDList::NativeAddKUID},
        {"$void@KUIDList::RemoveKUID(KUID)", &GSOKUIDList::NativeRemoveKUID},
        {"$bool@KUIDList::HasKUID(KUID)", &GSOKUIDList::NativeHasKUID},
        {"$KUID@KUIDList::GetIndexedKUID(int)", &GSOKUIDList::NativeGetIndexedKUID},
        {"$void@KUIDList::Copy(KUIDList)", &GSOKUIDList::NativeCopy},
        {"$void@KUIDList::Clear()", &GSOKUIDList::NativeClear},
        {"$bool@KUIDList::IsLocked()", &GSOKUIDList::NativeIsLocked},
    };
    RegisterMemberNatives("KUIDList", kNatives);
}

}  // namespace GSNatives
