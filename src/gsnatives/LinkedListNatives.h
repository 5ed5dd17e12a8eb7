#pragma once
// The natives of the script class LinkedList: helpers over arrays of
// LinkedData entries. They read a LinkedData instance by its data slots,
// counting the slot a script reference points at as slot 0: slot 2 is the
// key (a string), slot 3 the number (an int), slot 4 the object.
#include "gsruntime/GSDataReference.h"

namespace GSRuntime {
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

// "$void@LinkedList::SortInternal(LinkedData[])": the result of a selection
// sort, ascending by key (a null entry or a null key counts as the empty
// text): of equal keys the first found stays smallest, and the order of
// equal keys is not kept. It takes O(n log n) comparisons. Elements are
// swapped as plain stores, so no reference count changes. The work is
// charged to the execution budget (16 units an element for each level of
// its tree, 16 units and the bytes of the shorter key a key comparison);
// when the budget runs out the array is left as it was.
void LinkedListSortInternal(GSRuntime::GSContext* context, GSRuntime::GSStack* stack);
// "$void@LinkedList::AddInternal(LinkedData[],LinkedData,bool)": appends the
// item (a null item changes nothing), which the array then holds with a
// count of its own. With `unique` set an item equal to an element (same key
// text, same number, same native object or both none) is not added; each
// element compared is charged as a key comparison, and the item is not
// added when the budget runs out.
void LinkedListAddInternal(GSRuntime::GSContext* context, GSRuntime::GSStack* stack);

// Two LinkedData entries are equal by key, number and object (see above).
bool LinkedDataEqual(GSRuntime::GSDataRef a, GSRuntime::GSDataRef b);

// Registers the two natives, in the order above.
void RegisterLinkedListNatives();

}  // namespace GSNatives
