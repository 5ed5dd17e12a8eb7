#include "gsnatives/LinkedListNatives.h"

#include "gsruntime/GSArray.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

constexpr int kKeySlot = 2;
constexpr int kValueSlot = 3;
constexpr int kObjectSlot = 4;

// True when `slot` is one of the reference members of `cls`.
bool IsReferenceMember(const GSClass* cls, uint32_t slot) {
    for (uint32_t i = 0; i < cls->ReferenceMemberCount(); ++i)
        if (cls->ReferenceMember(i) == static_cast<int32_t>(slot)) return true;
    return false;
}

// True when the view `item` designates lays out the entry's members where
// the natives read them: the key and the object as reference members, the
// number beside them. Anything else a script hands over (an object of
// another class, a value) is taken as null.
bool IsLinkedData(GSDataRef item) {
    if (!item) return false;
    const GSClass* cls = GSScriptInstance::FromReference(item)->cls;
    if (!cls) return false;
    const uint64_t view = GSScriptInstance::ViewOffset(item);
    if (view + kObjectSlot >= cls->DataSlotCount()) return false;
    return IsReferenceMember(cls, static_cast<uint32_t>(view + kKeySlot)) &&
           IsReferenceMember(cls, static_cast<uint32_t>(view + kObjectSlot));
}

uint32_t Slot(GSDataRef item, int slot) { return IsLinkedData(item) ? GSSlots(item)[slot] : 0; }

const char* KeyOf(GSDataRef item) {
    const GSString* key = GSString::FromReference(Slot(item, kKeySlot));
    return key ? key->c_str() : "";
}

// Elements of an array of values are no entries.
GSDataRef Element(const GSArray* list, int32_t index) {
    uint32_t value = 0;
    if (list->ElementsAreReferences()) list->GetElementValue(index, value);
    return value;
}

}  // namespace

bool LinkedDataEqual(GSDataRef a, GSDataRef b) {
    if (Vek::String(KeyOf(a)).Compare(KeyOf(b)) != 0) return false;
    if (Slot(a, kValueSlot) != Slot(b, kValueSlot)) return false;
    const uint32_t objectA = Slot(a, kObjectSlot);
    const uint32_t objectB = Slot(b, kObjectSlot);
    const GSObjectReference* ownerA = objectA ? GSScriptInstance::OwnerOf(objectA) : nullptr;
    const GSObjectReference* ownerB = objectB ? GSScriptInstance::OwnerOf(objectB) : nullptr;
    return ownerA == ownerB;
}

void LinkedListSortInternal(GSContext*, GSStack* stack) {
    GSArray* list = nullptr;
    if (!GetParam<GSArray>(stack, 1, list) || !list->ElementsAreReferences()) return;
    const int32_t count = list->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        int32_t smallest = i;
        Vek::String smallestKey(KeyOf(Element(list, i)));
        for (int32_t j = i + 1; j < count; ++j) {
            const char* key = KeyOf(Element(list, j));
            if (Vek::String(key).Compare(smallestKey.c_str()) < 0) {
                smallest = j;
                smallestKey = key;
            }
        }
        if (smallest != i) {
            const uint32_t first = Element(list, i);
            list->SetElementValue(i, Element(list, smallest));
            list->SetElementValue(smallest, first);
        }
    }
}

void LinkedListAddInternal(GSContext*, GSStack* stack) {
    GSArray* list = nullptr;
    if (!GetParam<GSArray>(stack, 1, list) || !list->ElementsAreReferences()) return;
    const GSDataRef item = stack->Local(2);
    if (!IsLinkedData(item)) return;
    // The list keeps what element stores keep: an entry of another,
    // unshared context would outlive its context in the list.
    if (!GSScriptInstance::Accepts(&list->Header(), GSScriptInstance::FromReference(item))) return;
    const bool unique = stack->Local(3) != 0;
    const int32_t count = list->GetCount();
    if (unique)
        for (int32_t i = 0; i < count; ++i)
            if (LinkedDataEqual(item, Element(list, i))) return;
    if (list->SetElementValue(count, item)) GSScriptInstance::AddRef(item);
}

void RegisterLinkedListNatives() {
    const Vek::PString className("LinkedList");
    GSRegisterNative(new GSCNativeFunction(className, Vek::PString("$void@LinkedList::SortInternal(LinkedData[])"),
                                           &LinkedListSortInternal));
    GSRegisterNative(new GSCNativeFunction(
        className, Vek::PString("$void@LinkedList::AddInternal(LinkedData[],LinkedData,bool)"), &LinkedListAddInternal));
}

}  // namespace GSNatives
