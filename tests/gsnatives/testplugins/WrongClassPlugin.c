/* A test plug-in whose entry point answers a string instead of a library. */
#include "VorlexNativeInterface.h"

VNIObject* VNIEntryPoint(VNIObject* context) {
    (void)context;
    return VNIAllocString("not a library");
}
