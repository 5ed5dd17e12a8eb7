#pragma once
// Settings soups that the daemon keeps, by name ("internet" holds
// "language", "username" and "password").
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

class ResultsLog;

// Operation 100. Payload: interned string name. Reply: the soup in binary
// form, stored in `soup`. When no soup comes back, `soup` is unchanged.
// False when no reply came (the link is down), or when the reply holds a
// soup body that cannot be read (`soup` is unchanged then too); an empty
// reply or the form of no soup (body size 0) answers true.
bool VADReadSettings(SoupHandle& soup, const Vek::PString& name);

// Operation 101. Payload: interned string name; the soup in binary form
// (the form of no soup when `holder` is empty). The holder is empty
// afterwards. The reply is left open: false only when no reply came (the
// link was lost, or the daemon stayed silent for the inactivity bound) or
// the reply is the single byte 0, a refusal whose reason arrives in `log`
// when one is given; any other reply, an empty one included, answers true.
bool VADWriteSettings(const Vek::PString& name, SoupHandle& holder, ResultsLog* log = nullptr);

// Operation 102. Payload: interned string name; interned string key.
// Reply: interned string value. An empty or missing value, and a failed
// request, give the empty interned string (whose c_str() is "").
Vek::PString VADGetSettingValue(const Vek::PString& name, const Vek::PString& key);
