/* The objects of the native interface: one header (class and count) and a
 * body per class. Everything lives in this one file, so that linking any
 * of its functions links all of them for the plug-ins. */
#include "VorlexNativeInterface.h"

#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>

struct VNIObject {
    int32_t objectClass;
    atomic_uint_fast32_t references;
};

typedef struct {
    VNIObject header;
    char* text; /* null for a string made from a null text */
} VNIString;

typedef struct {
    VNIObject header;
    uint32_t count;
    VNIObject** elements;
} VNIArray;

typedef struct {
    VNIObject header;
    VNIObject* slots[VNI_CONTEXT_SLOT_COUNT];
} VNIContext;

typedef struct {
    VNIObject header;
    VNILibraryCall call;
    VNILibraryRelease release;
    void* userData;
} VNILibrary;

static void* AllocObject(size_t size, int32_t objectClass) {
    VNIObject* object = (VNIObject*)calloc(1, size);
    if (!object) return NULL;
    object->objectClass = objectClass;
    atomic_init(&object->references, 1);
    return object;
}

VNIObject* VNIAllocString(const char* text) {
    VNIString* string = (VNIString*)AllocObject(sizeof(VNIString), VNI_CLASS_STRING);
    if (!string) return NULL;
    if (text) {
        size_t length = strlen(text);
        string->text = (char*)malloc(length + 1);
        if (!string->text) {
            free(string);
            return NULL;
        }
        memcpy(string->text, text, length + 1);
    }
    return &string->header;
}

VNIObject* VNIAllocArray(uint32_t count) {
    VNIArray* array = (VNIArray*)AllocObject(sizeof(VNIArray), VNI_CLASS_ARRAY);
    if (!array) return NULL;
    if (count) {
        array->elements = (VNIObject**)calloc(count, sizeof(VNIObject*));
        if (!array->elements) {
            free(array);
            return NULL;
        }
    }
    array->count = count;
    return &array->header;
}

VNIObject* VNIAllocContext(void) {
    VNIContext* context = (VNIContext*)AllocObject(sizeof(VNIContext), VNI_CLASS_CONTEXT);
    return context ? &context->header : NULL;
}

VNIObject* VNIAllocLibrary(VNILibraryCall call, VNILibraryRelease release, void* userData) {
    if (!call) return NULL;
    VNILibrary* library = (VNILibrary*)AllocObject(sizeof(VNILibrary), VNI_CLASS_LIBRARY);
    if (!library) return NULL;
    library->call = call;
    library->release = release;
    library->userData = userData;
    return &library->header;
}

VNIObject* VNIAddReference(VNIObject* object) {
    if (object) atomic_fetch_add(&object->references, 1);
    return object;
}

static void Destroy(VNIObject* object) {
    uint32_t i;
    switch (object->objectClass) {
    case VNI_CLASS_STRING:
        free(((VNIString*)object)->text);
        break;
    case VNI_CLASS_ARRAY: {
        VNIArray* array = (VNIArray*)object;
        for (i = 0; i < array->count; ++i) VNIRelease(array->elements[i]);
        free(array->elements);
        break;
    }
    case VNI_CLASS_CONTEXT: {
        VNIContext* context = (VNIContext*)object;
        for (i = 0; i < VNI_CONTEXT_SLOT_COUNT; ++i) VNIRelease(context->slots[i]);
        break;
    }
    case VNI_CLASS_LIBRARY: {
        VNILibrary* library = (VNILibrary*)object;
        if (library->release) library->release(library->userData);
        break;
    }
    default:
        break;
    }
    free(object);
}

void VNIRelease(VNIObject* object) {
    if (object && atomic_fetch_sub(&object->references, 1) == 1) Destroy(object);
}

int32_t VNIGetObjectClass(const VNIObject* object) { return object ? object->objectClass : VNI_CLASS_NONE; }

const char* VNIGetStringText(const VNIObject* string) {
    if (VNIGetObjectClass(string) != VNI_CLASS_STRING) return NULL;
    return ((const VNIString*)string)->text;
}

uint32_t VNIGetArrayLength(const VNIObject* array) {
    if (VNIGetObjectClass(array) != VNI_CLASS_ARRAY) return 0;
    return ((const VNIArray*)array)->count;
}

int32_t VNISetArrayElement(VNIObject* array, uint32_t index, VNIObject* element) {
    if (index >= VNIGetArrayLength(array)) return 0;
    VNIArray* body = (VNIArray*)array;
    VNIObject* previous = body->elements[index];
    body->elements[index] = VNIAddReference(element);
    VNIRelease(previous);
    return 1;
}

VNIObject* VNIGetArrayElement(const VNIObject* array, uint32_t index) {
    if (index >= VNIGetArrayLength(array)) return NULL;
    return VNIAddReference(((const VNIArray*)array)->elements[index]);
}

VNIObject* VNICallLibraryFunction(VNIObject* library, VNIObject* function, VNIObject* arguments) {
    if (VNIGetObjectClass(library) != VNI_CLASS_LIBRARY || VNIGetObjectClass(function) != VNI_CLASS_STRING)
        return NULL;
    const char* name = VNIGetStringText(function);
    if (!name) return NULL;
    VNILibrary* body = (VNILibrary*)library;
    return body->call(body->userData, name, arguments);
}

VNIObject* VNIGetContextSlot(VNIObject* context, uint32_t slot) {
    if (VNIGetObjectClass(context) != VNI_CLASS_CONTEXT || slot >= VNI_CONTEXT_SLOT_COUNT) return NULL;
    return VNIAddReference(((VNIContext*)context)->slots[slot]);
}

int32_t VNISetContextSlot(VNIObject* context, uint32_t slot, VNIObject* object) {
    if (VNIGetObjectClass(context) != VNI_CLASS_CONTEXT || slot >= VNI_CONTEXT_SLOT_COUNT) return 0;
    VNIContext* body = (VNIContext*)context;
    VNIObject* previous = body->slots[slot];
    body->slots[slot] = VNIAddReference(object);
    VNIRelease(previous);
    return 1;
}
