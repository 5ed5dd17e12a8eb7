// Arrays (opcodes 56 to 71). Value arrays hold ints, bools or floats;
// reference arrays hold references, each element owning a count. New arrays
// belong to the current context. Every instruction that takes an array
// reference releases it unless it stays on the stack, and a null array (or
// a reference that is no array) raises ER_NullArrayReference. On an error
// the operands stay where they are.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSDispatchTable.h"

namespace GSRuntime {

namespace {

int32_t AsInt(uint32_t slot) { return static_cast<int32_t>(slot); }

void Release(GSDataRef reference) { GSScriptInstance::ReleaseReference(reference); }

// A new, empty array of the current context; null when none can be made.
GSArray* NewArray(bool references) { return new GSArray(GSCurrentContext(), references); }

// n -> arr: n zeroed (or null) elements; n <= 0 gives an empty array.
template <bool References>
bool NewSizedArray(GSRunState& s) {
    const int32_t n = AsInt(s.Top());
    GSArray* array = NewArray(References);
    if (!array) return s.Raise(ER_ArrayOutOfBounds);
    if (n > 0 && !array->Resize(n)) {
        Release(array->GetReference());
        return s.Raise(ER_ArrayOutOfBounds);
    }
    s.Top() = array->GetReference();
    return true;
}

bool ArraySize(GSRunState& s) {
    const GSDataRef reference = s.Top();
    const GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    s.Top() = static_cast<uint32_t>(array->GetCount());
    Release(reference);
    return true;
}

// arr -> arr2: a new array of the same kind with every element.
bool ArrayCopy(GSRunState& s) {
    const GSDataRef reference = s.Top();
    const GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    GSArray* copy = NewArray(array->ElementsAreReferences());
    if (!copy) return s.Raise(ER_ArrayOutOfBounds);
    if (!GSArray::CopyRange(copy, -1, array, 0)) {
        Release(copy->GetReference());
        return s.Raise(ER_ArrayOutOfBounds);
    }
    s.Top() = copy->GetReference();
    Release(reference);
    return true;
}

// arr i -> v
bool ArrayGet(GSRunState& s) {
    const GSDataRef reference = s.At(1);
    const GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    uint32_t value = 0;
    if (!array->GetElementValue(AsInt(s.At(0)), value)) return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= 1;
    s.Top() = value;
    Release(reference);
    return true;
}

// arr i -> r, the element counted.
bool ArrayGetRef(GSRunState& s) {
    const GSDataRef reference = s.At(1);
    const GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    GSDataRef element = 0;
    if (!array->GetElementReference(AsInt(s.At(0)), element, true)) return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= 1;
    s.Top() = element;
    Release(reference);
    return true;
}

// arr i v -> (v when Keep)
template <bool Keep>
bool ArraySet(GSRunState& s) {
    const GSDataRef reference = s.At(2);
    GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    const uint32_t value = s.At(0);
    // A reference array's elements own counts: an integer stored there
    // would be released as a reference.
    if (array->ElementsAreReferences() && value != 0) return s.Raise(ER_ArrayOutOfBounds);
    if (!array->SetElementValue(AsInt(s.At(1)), value)) return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= Keep ? 2 : 3;
    if (Keep) s.Top() = value;
    Release(reference);
    return true;
}

// arr i r -> (r when Keep). The popping form moves the stack's count into
// the element; the Keep form gives the element a count of its own. A
// reference of another, unshared context is stored as null.
template <bool Keep>
bool ArraySetRef(GSRunState& s) {
    const GSDataRef reference = s.At(2);
    GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    const GSDataRef value = s.At(0);
    if (!array->SetElementReference(AsInt(s.At(1)), value, Keep, nullptr)) {
        // The popping form's value was released with the refusal.
        if (!Keep) s.At(0) = 0;
        return s.Raise(ER_ArrayOutOfBounds);
    }
    s.sp -= Keep ? 2 : 3;
    if (Keep) s.Top() = value;
    Release(reference);
    return true;
}

// arr end start -> arr2: a new array of the same kind with the elements
// [start, end) (a negative start means 0; a negative end, or one beyond the
// count, the count; an end below the start fails).
bool ArraySlice(GSRunState& s) {
    const GSDataRef reference = s.At(2);
    const GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    GSArray* slice = NewArray(array->ElementsAreReferences());
    if (!slice) return s.Raise(ER_ArrayOutOfBounds);
    if (!GSArray::CopyRange(slice, AsInt(s.At(1)), array, AsInt(s.At(0)))) {
        Release(slice->GetReference());
        return s.Raise(ER_ArrayOutOfBounds);
    }
    s.sp -= 2;
    s.Top() = slice->GetReference();
    Release(reference);
    return true;
}

// arr end start src -> (src when Keep): the elements [start, end) of arr
// become the elements of src (none for a null src).
template <bool Keep>
bool ArraySetRange(GSRunState& s) {
    const GSDataRef reference = s.At(3);
    GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    const GSDataRef source = s.At(0);
    const GSArray* sourceArray = GSArray::FromReference(source);
    if (source && !sourceArray) return s.Raise(ER_ArrayOutOfBounds);
    if (!array->Splice(AsInt(s.At(1)), AsInt(s.At(2)), sourceArray)) return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= Keep ? 3 : 4;
    if (Keep) s.Top() = source;
    Release(reference);
    if (!Keep) Release(source);
    return true;
}

}  // namespace

void GSInstallArrayHandlers(GSOpHandler* table) {
    GSInstallChecked<OP_NewArray, &NewSizedArray<false>>(table);
    GSInstallChecked<OP_NewRefArray, &NewSizedArray<true>>(table);
    GSInstallChecked<OP_ArraySize, &ArraySize>(table);
    GSInstallChecked<OP_ArrayCopy, &ArrayCopy>(table);
    GSInstallChecked<OP_ArrayGet, &ArrayGet>(table);
    GSInstallChecked<OP_ArraySet, &ArraySet<false>>(table);
    GSInstallChecked<OP_ArraySetKeep, &ArraySet<true>>(table);
    GSInstallChecked<OP_ArrayGetRef, &ArrayGetRef>(table);
    GSInstallChecked<OP_ArraySetRef, &ArraySetRef<false>>(table);
    GSInstallChecked<OP_ArraySetRefKeep, &ArraySetRef<true>>(table);
    GSInstallChecked<OP_ArraySlice, &ArraySlice>(table);
    GSInstallChecked<OP_ArraySetRange, &ArraySetRange<false>>(table);
    GSInstallChecked<OP_ArraySetRangeKeep, &ArraySetRange<true>>(table);
    GSInstallChecked<OP_RefArraySlice, &ArraySlice>(table);
    GSInstallChecked<OP_RefArraySetRange, &ArraySetRange<false>>(table);
    GSInstallChecked<OP_RefArraySetRangeKeep, &ArraySetRange<true>>(table);
}

}  // namespace GSRuntime
