#ifndef VORLEX_NATIVE_INTERFACE_H
#define VORLEX_NATIVE_INTERFACE_H
/*
 * The native interface between the program and native plug-in libraries.
 *
 * Plug-ins never see the program's own types: every value crosses as a
 * handle to a reference-counted object of this library. Every handle that a
 * call returns belongs to the caller, who gives it back with VNIRelease.
 * Reference counts are atomic; the objects themselves are not locked (a
 * string or array is filled by one thread before it is shared).
 *
 * A plug-in is a shared object that exports
 *     VNIObject* VNIEntryPoint(VNIObject* context);
 * with C linkage. It is handed the script context's plug-in context and
 * answers a new library object (VNIAllocLibrary), or null to refuse.
 * Plug-ins do not link this library: the program exports its functions.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VNIObject VNIObject;

/* Class numbers (VNIGetObjectClass). */
enum {
    VNI_CLASS_NONE = 0, /* a null handle */
    VNI_CLASS_CONTEXT = 1,
    VNI_CLASS_STRING = 2,
    VNI_CLASS_ARRAY = 3,
    VNI_CLASS_LIBRARY = 4
};

/* Slots of a plug-in context: two objects that plug-ins may park there; the
 * program releases both when the script context ends. */
enum { VNI_CONTEXT_SLOT_COUNT = 2 };

/* A library's function table: called with the library's user data, the
 * function name and the argument array (may be null); answers a new handle
 * or null. `release` (may be null) runs when the library object goes. */
typedef VNIObject* (*VNILibraryCall)(void* userData, const char* function, VNIObject* arguments);
typedef void (*VNILibraryRelease)(void* userData);

/* The plug-in's entry point, found by the name "VNIEntryPoint". */
typedef VNIObject* (*VNIEntryPointFunction)(VNIObject* context);

/* A new string holding a copy of `text`; a null text gives a string whose
 * text is null. Null when memory runs out. */
VNIObject* VNIAllocString(const char* text);
/* A new array of `count` empty (null) slots; null when memory runs out. */
VNIObject* VNIAllocArray(uint32_t count);
/* A new plug-in context with empty slots. */
VNIObject* VNIAllocContext(void);
/* A new library object over a plug-in's call and user data; null for a
 * null call or when memory runs out. */
VNIObject* VNIAllocLibrary(VNILibraryCall call, VNILibraryRelease release, void* userData);

/* Adds one reference and returns the handle (null does nothing). */
VNIObject* VNIAddReference(VNIObject* object);
/* Gives one reference back; the last one destroys the object. Null does
 * nothing. */
void VNIRelease(VNIObject* object);

/* The class number of a handle; VNI_CLASS_NONE for null. */
int32_t VNIGetObjectClass(const VNIObject* object);

/* The text of a string, valid while the handle lives; null for a string
 * made from a null text and for anything that is not a string. */
const char* VNIGetStringText(const VNIObject* string);

/* Number of slots of an array; 0 for anything else. */
uint32_t VNIGetArrayLength(const VNIObject* array);
/* Stores `element` (may be null) at `index`; the array takes its own
 * reference and releases what was there. 0 when `array` is no array or the
 * index is out of range, else 1. */
int32_t VNISetArrayElement(VNIObject* array, uint32_t index, VNIObject* element);
/* The element at `index` with one more reference for the caller; null when
 * empty, out of range, or `array` is no array. */
VNIObject* VNIGetArrayElement(const VNIObject* array, uint32_t index);

/* Calls a function of a library: `function` is a string handle, `arguments`
 * an array or null. The library's answer (a new handle or null); null when
 * `library` is no library or `function` no string. */
VNIObject* VNICallLibraryFunction(VNIObject* library, VNIObject* function, VNIObject* arguments);

/* The object in a context slot with one more reference; null when empty. */
VNIObject* VNIGetContextSlot(VNIObject* context, uint32_t slot);
/* Stores `object` (may be null) in a context slot, taking its own
 * reference and releasing what was there. 0 when `context` is no context
 * or the slot does not exist, else 1. */
int32_t VNISetContextSlot(VNIObject* context, uint32_t slot, VNIObject* object);

#ifdef __cplusplus
}
#endif

#endif
