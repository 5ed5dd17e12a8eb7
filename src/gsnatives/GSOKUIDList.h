#pragma once
// GSOKUIDList: the native holder of a script "KUIDList" value, an ordered
// list of KUIDs. Lists that the system hands to scripts are locked,
// read-only views; lists that scripts create are not. The flag is fixed at
// construction; a native that would change a locked list refuses with a
// script exception before it reads its argument.
#include "engine/DynamicArray.h"
#include "foundation/kuid/KUID.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

using KUIDArray = Vek::DynamicArray<KUID, 128>;

class GSOKUIDList : public GSRuntime::GSObject {
public:
    // A locked list holding a copy of `list` (same blocks, same order).
    GSOKUIDList(GSRuntime::GSContext* context, const KUIDArray& list);
    // An empty, unlocked list.
    explicit GSOKUIDList(GSRuntime::GSContext* context);
    ~GSOKUIDList() override;

    // New objects bound to the class "KUIDList" in `context`, holding their
    // creation count; null when the heap has no room or the class is not
    // bound. With a list: locked; without: empty and unlocked.
    static GSOKUIDList* CreateLocked(GSRuntime::GSContext* context, const KUIDArray& list);
    static GSOKUIDList* Create(GSRuntime::GSContext* context);
    // Binds the class "KUIDList" of "KUIDList.gsl"; false when it is missing.
    static bool ResolveScriptClass();
    static GSRuntime::GSClass* GetScriptClass();

    const KUIDArray& GetList() const { return m_list; }
    bool IsLocked() const { return m_locked; }

    // The natives, in registration order (RegisterKUIDListNatives).
    void NativeCountKUIDs(GSRuntime::GSStack* stack);
    void NativeAddKUID(GSRuntime::GSStack* stack);
    void NativeRemoveKUID(GSRuntime::GSStack* stack);
    void NativeHasKUID(GSRuntime::GSStack* stack);
    void NativeGetIndexedKUID(GSRuntime::GSStack* stack);
    void NativeCopy(GSRuntime::GSStack* stack);
    void NativeClear(GSRuntime::GSStack* stack);
    void NativeIsLocked(GSRuntime::GSStack* stack);

private:
    KUIDArray m_list;
    bool m_locked = false;
};

void RegisterKUIDListNatives();

}  // namespace GSNatives
