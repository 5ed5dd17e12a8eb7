#pragma once
// GSOKUIDList: the native holder of a script "KUIDList" value, an ordered
// list of KUIDs. Lists that the system hands to scripts are locked,
// read-only views; lists that scripts create are not. The flag is fixed at
// construction; a native that would change a locked list refuses with a
// script exception before it reads its argument.
//
// Beside the list, a list of more than a few KUIDs keeps how often each
// KUID occurs (made when first asked, kept up to date after), so that
// AddKUID and HasKUID take constant time and adding n distinct KUIDs is
// linear, and it keeps its count and the place of the last item read by
// index, so that reading the list in order is linear too. The list, its
// order and every answer are those of the plain list.
#include <cstdint>
#include <unordered_map>

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
    struct KUIDHash {
        std::size_t operator()(const KUID& kuid) const {
            const uint64_t a = static_cast<uint32_t>(kuid.GetUserID());
            const uint64_t b = static_cast<uint32_t>(kuid.GetContentID());
            const uint64_t c = static_cast<uint32_t>(kuid.GetVersion());
            return static_cast<std::size_t>(((a * 0x9E3779B97F4A7C15ull) ^ b) * 0xC2B2AE3D27D4EB4Full ^ c);
        }
    };
    // Below this many KUIDs a search walks the list.
    static constexpr std::size_t kIndexFrom = 16;

    // True when an equal KUID is in the list.
    bool Contains(const KUID& kuid);
    void Append(const KUID& kuid);
    // Removes the first equal KUID, keeping the order of the rest.
    void RemoveFirst(const KUID& kuid);
    // The list changed wholesale: the index and the place are dropped.
    void Reset();

    KUIDArray m_list;
    bool m_locked = false;
    std::size_t m_count = 0;
    // Occurrences of each KUID, valid while m_indexed.
    std::unordered_map<KUID, uint32_t, KUIDHash> m_index;
    bool m_indexed = false;
    // The item read last by index, and its index (valid while set).
    KUIDArray::Iterator m_cursor;
    std::size_t m_cursorIndex = 0;
};

void RegisterKUIDListNatives();

}  // namespace GSNatives
