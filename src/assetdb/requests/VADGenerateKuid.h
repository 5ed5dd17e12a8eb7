#pragma once
// A new KUID in the user's range, made by the daemon (operation 58).
#include "foundation/kuid/KUID.h"

class ResultsLog;

// Payload: empty. Reply: KUID. Failure: the null KUID; the daemon's reason
// (no user id to make it in) arrives in `log` when one is given.
KUID VADGenerateKuid(ResultsLog* log = nullptr);
