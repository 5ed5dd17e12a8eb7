#pragma once
// One message of a result log.
#include <cstdint>

#include "engine/AnsiString.h"
#include "foundation/properties/PropertyRef.h"

struct ResultsLogEntry {
    // Severities; only 2, 3 and 4 are counted by the log.
    enum : int32_t { kInformation = 1, kWarning = 2, kError = 3, kSuccess = 4 };

    int32_t severity = 0;
    // The message in UTF-8, its placeholders already filled in.
    Vek::String text;
    // What the message speaks of, as a rule an asset-id property; may be null.
    PropertyRef property;
};
