/* A test plug-in whose entry point refuses every context. */
#include <stddef.h>

#include "VorlexNativeInterface.h"

VNIObject* VNIEntryPoint(VNIObject* context) {
    (void)context;
    return NULL;
}
