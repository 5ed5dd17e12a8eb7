#include "foundation/base/TrivialFunctions.h"

void NoOp() {}

int32_t ReturnZero() { return 0; }

bool ReturnTrue() { return true; }

void ClearPointer(void** slot) {
    if (slot) *slot = nullptr;
}

bool LessByWord2ThenWord1(const uint32_t (&a)[3], const uint32_t (&b)[3]) {
    if (a[2] != b[2]) return a[2] < b[2];
    return a[1] < b[1];
}
