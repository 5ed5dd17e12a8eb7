#pragma once
// A native object that could not take its script class (the class is not
// bound, or its instance could not be made) has no script value to hand
// out: it is deleted, and the caller sees null as if the script-object heap
// had had no room for it.
namespace GSNatives {

template <class T>
T* KeepIfBound(T* object) {
    if (object && !object->GetReference()) {
        delete object;
        return nullptr;
    }
    return object;
}

}  // namespace GSNatives
