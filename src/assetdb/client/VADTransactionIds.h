#pragma once
// Transaction ids of the daemon link: they count up from 1 and skip 0,
// which marks a one-way message (the id after -1 is 1).
#include <cstdint>

// The next id; thread-safe.
int32_t NextVADTransactionId();
// Sets the id the next call returns (0 becomes 1).
void SetNextVADTransactionIdForTesting(int32_t id);
