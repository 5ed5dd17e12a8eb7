#pragma once
// The error texts of the archive code: an interned string that is empty on
// success and holds the message otherwise.
#include "engine/PString.h"

// Formats printf-style (C locale) into `error` and returns it.
const Vek::PString& FormatErrorText(Vek::PString& error, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
