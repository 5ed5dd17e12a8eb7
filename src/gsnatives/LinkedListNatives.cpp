#include "gsnatives/LinkedListNatives.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSExecutionBudget.h"
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

const GSString* KeyStringOf(GSDataRef item) { return GSString::FromReference(Slot(item, kKeySlot)); }

const char* KeyOf(const GSString* key) { return key ? key->c_str() : ""; }

// The work of comparing two keys (GSExecutionBudget.h): 16 units, and a unit a
// byte of the shorter text, which the comparison reads at most.
constexpr uint64_t kWorkPerComparison = 16;
uint64_t ComparisonWork(const GSString* a, const GSString* b) {
    return kWorkPerComparison + (a && b ? std::min<uint64_t>(a->Length(), b->Length()) : 0);
}

// Keys compare as the engine string compares texts (byte-wise up to the
// first NUL); a null key is the empty text.
int CompareKeys(const GSString* a, const GSString* b) { return std::strcmp(KeyOf(a), KeyOf(b)); }

// The budget ran out while the keys were ranked.
struct WorkRefused {};

// ranks[i]: the number of distinct keys below keys[i], equal keys ranking
// alike. False, when the budget runs out before they are ranked.
bool RankKeys(const std::vector<const GSString*>& keys, GSWorkMeter& work, std::vector<int32_t>& ranks) {
    const int32_t count = static_cast<int32_t>(keys.size());
    std::vector<int32_t> order(keys.size());
    for (int32_t i = 0; i < count; ++i) order[std::size_t(i)] = i;
    try {
        std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            const GSString* ka = keys[std::size_t(a)];
            const GSString* kb = keys[std::size_t(b)];
            if (!work.Add(ComparisonWork(ka, kb))) throw WorkRefused();
            return CompareKeys(ka, kb) < 0;
        });
    } catch (const WorkRefused&) {
        return false;
    }
    ranks.assign(keys.size(), 0);
    int32_t rank = 0;
    for (int32_t k = 1; k < count; ++k) {
        const GSString* previous = keys[std::size_t(order[std::size_t(k - 1)])];
        const GSString* current = keys[std::size_t(order[std::size_t(k)])];
        if (!work.Add(ComparisonWork(previous, current))) return false;
        if (CompareKeys(previous, current) != 0) rank += 1;
        ranks[std::size_t(order[std::size_t(k)])] = rank;
    }
    return true;
}

// Elements of an array of values are no entries.
GSDataRef Element(const GSArray* list, int32_t index) {
    uint32_t value = 0;
    if (list->ElementsAreReferences()) list->GetElementValue(index, value);
    return value;
}

}  // namespace

bool LinkedDataEqual(GSDataRef a, GSDataRef b) {
    if (CompareKeys(KeyStringOf(a), KeyStringOf(b)) != 0) return false;
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
    if (count < 2) return;
    // The result is the selection sort's: position i takes the first
    // position at or after i whose key is smallest, by a swap. That first
    // position is found in O(log n): the keys are ranked once, and a
    // tournament tree over the positions keeps the smallest (rank,
    // position); positions already placed hold a rank above every key.
    GSWorkMeter work;
    const uint32_t levels = static_cast<uint32_t>(std::bit_width(static_cast<uint32_t>(count)));
    if (!work.Add(uint64_t(count) * levels * kWorkPerComparison)) return;
    std::vector<const GSString*> keys(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) keys[std::size_t(i)] = KeyStringOf(Element(list, i));
    std::vector<int32_t> ranks;
    if (!RankKeys(keys, work, ranks)) return;

    const int32_t leaves = int32_t(1) << (levels - (std::has_single_bit(static_cast<uint32_t>(count)) ? 1 : 0));
    constexpr int32_t kPlaced = INT32_MAX;
    ranks.resize(std::size_t(leaves), kPlaced);
    // tree[k] is the position of the smallest (rank, position) below node
    // k; the leaves are nodes leaves .. 2 * leaves - 1.
    std::vector<int32_t> tree(std::size_t(2 * leaves));
    auto smaller = [&](int32_t a, int32_t b) {
        const int32_t ra = ranks[std::size_t(a)];
        const int32_t rb = ranks[std::size_t(b)];
        return ra < rb || (ra == rb && a < b) ? a : b;
    };
    for (int32_t i = 0; i < leaves; ++i) tree[std::size_t(leaves + i)] = i;
    for (int32_t k = leaves - 1; k >= 1; --k)
        tree[std::size_t(k)] = smaller(tree[std::size_t(2 * k)], tree[std::size_t(2 * k + 1)]);
    auto update = [&](int32_t position) {
        for (int32_t k = (leaves + position) / 2; k >= 1; k /= 2)
            tree[std::size_t(k)] = smaller(tree[std::size_t(2 * k)], tree[std::size_t(2 * k + 1)]);
    };

    for (int32_t i = 0; i < count; ++i) {
        const int32_t smallest = tree[1];
        if (smallest != i) {
            const uint32_t first = Element(list, i);
            list->SetElementValue(i, Element(list, smallest));
            list->SetElementValue(smallest, first);
            ranks[std::size_t(smallest)] = ranks[std::size_t(i)];
            update(smallest);
        }
        ranks[std::size_t(i)] = kPlaced;
        update(i);
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
    if (unique) {
        // Each element is compared: 16 units and the bytes of the keys'
        // comparison. The item is not added when the budget runs out.
        GSWorkMeter work;
        const GSString* key = KeyStringOf(item);
        for (int32_t i = 0; i < count; ++i) {
            const GSDataRef element = Element(list, i);
            if (!work.Add(ComparisonWork(key, KeyStringOf(element)))) return;
            if (LinkedDataEqual(item, element)) return;
        }
    }
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
