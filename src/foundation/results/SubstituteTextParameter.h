#pragma once
// Fills the "$(NAME)" placeholders of one parameter in a message template.
#include "engine/AnsiString.h"

// Replaces every "$(name)" in `text` (found without regard to letter case)
// by `value`. The search goes on after each inserted value, so a value is
// never filled again by the same parameter, even when it holds the
// placeholder itself. A null value counts as empty; a null name does nothing.
void SubstituteTextParameter(const char* value, Vek::AnsiString& text, const char* name);
