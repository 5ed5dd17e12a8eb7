#pragma once
// URLRecord: a URL kept as a fixed-size record of its parts. Every text
// field is NUL-terminated and a part longer than its field is cut.
#include <cstdint>

#include "engine/PString.h"

struct URLRecord {
    char scheme[32];    // without "://"
    char user[64];
    char password[64];
    char host[128];
    uint32_t port;      // 0: none
    char path[256];     // after host and port, up to the '?' (exclusive)
    char query[512];    // from the '?' (inclusive) to the end

    URLRecord() { Clear(); }

    // Fills the record from a URL text. Never fails: absent parts stay
    // empty. A null text gives the empty record.
    void Parse(const char* text);
    // "scheme://[user[:password]@]host[:port]path[query]", with "http" for
    // an empty scheme and no port for port 0.
    Vek::PString Format() const;
    // Scheme and host are both non-empty.
    bool IsValid() const;
    // Empties every text field and sets the port to 0.
    void Clear();
};
