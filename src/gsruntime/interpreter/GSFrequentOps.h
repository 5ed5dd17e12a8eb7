#pragma once
// The bodies of the frequent instructions that touch reference counts and
// arrays: reference loads, stores and pops of locals, and array element
// reads and writes. They are inline so that the threaded loop of verified
// code (GSInterpreter.cpp) runs them in place, while the dispatch table
// installs the same bodies for the checked and the unchecked halves.
#include "gsruntime/GSArray.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/GSTrackedObjectRegistry.h"
#include "gsruntime/interpreter/GSRunState.h"

namespace GSRuntime {

namespace GSFrequentOps {

inline void AddCount(GSDataRef reference) {
    if (reference) GSScriptInstance::AddRef(reference);
}

// -> r, the local's reference with a count of its own.
inline bool LoadLocalRef(GSRunState& s) {
    const GSDataRef value = s.Local(s.U16());
    AddCount(value);
    s.Push(value);
    return true;
}

// r -> (r when Keep): the new value is in place, with its count, before the
// old one goes.
template <bool Keep>
inline bool StoreLocalRef(GSRunState& s) {
    uint32_t& local = s.Local(s.U16());
    const GSDataRef value = Keep ? s.Top() : s.Pop();
    const GSDataRef old = local;
    if (Keep) AddCount(value);
    local = value;
    GSScriptInstance::ReleaseReference(old);
    return true;
}

inline bool PopRef(GSRunState& s) {
    GSScriptInstance::ReleaseReference(s.Pop());
    return true;
}

// arr i -> v. A null array (or a reference that is no array) raises
// ER_NullArrayReference, an index outside it ER_ArrayOutOfBounds, the
// operands left in place.
inline bool ArrayGet(GSRunState& s) {
    const GSDataRef reference = s.At(1);
    const GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    uint32_t value = 0;
    if (!array->GetElementValue(static_cast<int32_t>(s.At(0)), value)) return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= 1;
    s.Top() = value;
    GSScriptInstance::ReleaseReference(reference);
    return true;
}

// arr i v -> (v when Keep); the array grows to take the index.
template <bool Keep>
inline bool ArraySet(GSRunState& s) {
    const GSDataRef reference = s.At(2);
    GSArray* array = GSArray::FromReference(reference);
    if (!array) return s.Raise(ER_NullArrayReference);
    const uint32_t value = s.At(0);
    // A reference array's elements own counts: an integer stored there
    // would be released as a reference.
    if (array->ElementsAreReferences() && value != 0) return s.Raise(ER_ArrayOutOfBounds);
    if (!array->SetElementValue(static_cast<int32_t>(s.At(1)), value)) return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= Keep ? 2 : 3;
    if (Keep) s.Top() = value;
    GSScriptInstance::ReleaseReference(reference);
    return true;
}

// a b -> s for a concatenation whose result goes back to local k before
// anything reads it (GSSuperInstructions.h): when a is the string local k
// holds, held by it and this stack slot only, and belongs to the current
// context as a new string would, b's text is appended to it in place and
// a is the result. False, nothing changed, otherwise, or when the memory
// budget refuses the longer text (the plain concatenation runs).
inline bool ConcatIntoLocal(GSRunState& s, uint32_t k) {
    const GSDataRef a = s.At(1);
    if (!a || a != s.Local(k)) return false;
    GSString* left = GSString::FromReference(a);
    const GSString* right = GSString::FromReference(s.At(0));
    if (!left || !right || left->Header().count != 2 ||
        GSTrackedObjectRegistry::GetContext(&left->Header()) != GSCurrentContext())
        return false;
    if (!left->AppendText(right->c_str(), right->Length())) return false;
    const GSDataRef b = s.Pop();
    GSScriptInstance::ReleaseReference(b);
    return true;
}

}  // namespace GSFrequentOps

}  // namespace GSRuntime
