#pragma once
// The requests of the online access: data it keeps per asset in the
// daemon, and the daemon's view of the online account.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

// Operation 121. Payload: KUID; interned string key, lower-cased. Reply: a
// soup in binary form. No soup when the key is empty (nothing is sent) or
// the request fails.
SoupHandle VADReadOnlineLocalData(const KUID& asset, const char* key);

// Operation 122, one-way. Payload: KUID; interned string key, lower-cased;
// the soup in binary form. Nothing is sent for an empty key.
void VADWriteOnlineLocalData(const KUID& asset, const char* key, const SoupHandle& data);

// The reply of operation 240: string; string; string; int16; string; int16.
// Of these the online access uses the first.
struct VADOnlineProfile {
    Vek::String first;
    Vek::String second;
    Vek::String third;
    int16_t fourth = 0;
    Vek::String fifth;
    int16_t sixth = 0;
};

// Operation 240. Payload: empty. Failure: every field empty or 0.
VADOnlineProfile VADGetOnlineProfile();
// Operation 241, one-way. Payload: empty.
void VADPostOnlineNotice();
// Operation 242. Payload: empty. Reply: string. Failure: empty.
Vek::String VADGetOnlineText();
