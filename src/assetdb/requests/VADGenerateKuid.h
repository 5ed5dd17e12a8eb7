#pragma once
// A new KUID in the user's range, made by the daemon (operation 58).
#include "foundation/kuid/KUID.h"

// Payload: empty. Reply: KUID. Failure: the null KUID.
KUID VADGenerateKuid();
