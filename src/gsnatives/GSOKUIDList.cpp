#include "gsnatives/GSOKUIDList.h"

#include "gsnatives/BoundObject.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/LockedRefusal.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

constexpr const char* kLockedText = "KUIDList.Copy> list is locked";

}  // namespace

GSOKUIDList::GSOKUIDList(GSContext* context, const KUIDArray& list)
    : m_list(list), m_locked(true), m_count(m_list.Count()) {
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

bool GSOKUIDList::Contains(const KUID& kuid) {
    if (!m_indexed && m_count >= kIndexFrom) {
        // Made once, then kept: the walk is charged as a copy of the list.
        GSChargeWork(m_count * sizeof(KUID));
        for (const KUID& item : m_list) m_index[item] += 1;
        m_indexed = true;
    }
    if (m_indexed) return m_index.find(kuid) != m_index.end();
    return static_cast<bool>(m_list.Find(kuid));
}

void GSOKUIDList::Append(const KUID& kuid) {
    m_list.Add(kuid);
    m_count += 1;
    if (m_indexed) m_index[kuid] += 1;
}

void GSOKUIDList::RemoveFirst(const KUID& kuid) {
    if (!Contains(kuid)) return;
    // The removal moves the later items of its block and the search walks
    // the list up to it: charged as a walk of the whole list.
    GSChargeWork(m_count * sizeof(KUID));
    m_list.RemoveOrdered(m_list.Find(kuid));
    m_count -= 1;
    m_cursor = KUIDArray::Iterator();
    if (m_indexed) {
        auto found = m_index.find(kuid);
        if (found != m_index.end() && --found->second == 0) m_index.erase(found);
    }
}

void GSOKUIDList::Reset() {
    m_count = m_list.Count();
    m_index.clear();
    m_indexed = false;
    m_cursor = KUIDArray::Iterator();
}

void GSOKUIDList::NativeCountKUIDs(GSStack* stack) { stack->Push(static_cast<uint32_t>(m_count)); }

void GSOKUIDList::NativeAddKUID(GSStack* stack) {
    if (!WritableOrRaise(m_locked, kLockedText)) return;
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 1, kuid)) return;
    if (!Contains(kuid->GetKUID())) Append(kuid->GetKUID());
}

void GSOKUIDList::NativeRemoveKUID(GSStack* stack) {
    if (!WritableOrRaise(m_locked, kLockedText)) return;
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 1, kuid)) return;
    RemoveFirst(kuid->GetKUID());
}

void GSOKUIDList::NativeHasKUID(GSStack* stack) {
    GSOKUID* kuid = nullptr;
    if (!GetParam<GSOKUID>(stack, 1, kuid)) return;
    stack->Push(Contains(kuid->GetKUID()) ? 1 : 0);
}

void GSOKUIDList::NativeGetIndexedKUID(GSStack* stack) {
    const uint32_t index = stack->Local(1);
    const KUID* kuid = nullptr;
    if (index < m_count) {
        // From the item read last when the index is not before it, else
        // from the first: reading in order steps one item at a time.
        if (!m_cursor || index < m_cursorIndex) {
            m_cursor = m_list.Begin();
            m_cursorIndex = 0;
        }
        m_cursor += static_cast<std::ptrdiff_t>(index - m_cursorIndex);
        m_cursorIndex = index;
        kuid = m_cursor.Get();
    }
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
    if (source != this) {
        GSChargeWork(source->m_count * sizeof(KUID));
        m_list = source->m_list;
    }
    Reset();
}

void GSOKUIDList::NativeClear(GSStack*) {
    if (!WritableOrRaise(m_locked, "KUIDList.Clear> list is locked")) return;
    m_list.Clear();
    Reset();
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
