/* The test plug-in: a library whose functions show what the loader and the
 * Library natives hand it.
 *   "Init"       counts its calls, answers "ready"
 *   "InitCount"  the number of "Init" calls of this library
 *   "Join"       the argument texts joined by ',' ("<null>" for a null
 *                text or element, "<none>" for no array)
 *   "Nothing"    null
 *   "Array"      an empty array (not a string)
 *   "Park"       puts a string in each slot of the context it was made with
 * Any other function answers null. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "VorlexNativeInterface.h"

typedef struct {
    int initCalls;
    VNIObject* context;
} EchoLibrary;

static VNIObject* Join(VNIObject* arguments) {
    if (!arguments) return VNIAllocString("<none>");
    char text[1024] = "";
    uint32_t count = VNIGetArrayLength(arguments);
    for (uint32_t i = 0; i < count; ++i) {
        VNIObject* element = VNIGetArrayElement(arguments, i);
        const char* part = VNIGetStringText(element);
        if (i) strncat(text, ",", sizeof text - strlen(text) - 1);
        strncat(text, part ? part : "<null>", sizeof text - strlen(text) - 1);
        VNIRelease(element);
    }
    return VNIAllocString(text);
}

static VNIObject* Call(void* userData, const char* function, VNIObject* arguments) {
    EchoLibrary* library = (EchoLibrary*)userData;
    if (strcmp(function, "Init") == 0) {
        ++library->initCalls;
        return VNIAllocString("ready");
    }
    if (strcmp(function, "InitCount") == 0) {
        char text[16];
        snprintf(text, sizeof text, "%d", library->initCalls);
        return VNIAllocString(text);
    }
    if (strcmp(function, "Join") == 0) return Join(arguments);
    if (strcmp(function, "Array") == 0) return VNIAllocArray(0);
    if (strcmp(function, "Park") == 0) {
        for (uint32_t slot = 0; slot < VNI_CONTEXT_SLOT_COUNT; ++slot) {
            VNIObject* parked = VNIAllocString("parked");
            VNISetContextSlot(library->context, slot, parked);
            VNIRelease(parked);
        }
        return NULL;
    }
    return NULL;
}

static void Release(void* userData) { free(userData); }

VNIObject* VNIEntryPoint(VNIObject* context) {
    EchoLibrary* library = (EchoLibrary*)calloc(1, sizeof(EchoLibrary));
    if (!library) return NULL;
    library->context = context;
    VNIObject* handle = VNIAllocLibrary(&Call, &Release, library);
    if (!handle) free(library);
    return handle;
}
