#include "foundation/network/URLRecord.h"

#include <cstring>
#include <string>

namespace {

// Copies [begin, end) into a field of `size` bytes, cut to size - 1.
void CopyPart(char* field, std::size_t size, const char* begin, const char* end) {
    std::size_t n = static_cast<std::size_t>(end - begin);
    if (n > size - 1) n = size - 1;
    std::memcpy(field, begin, n);
    field[n] = '\0';
}

template <std::size_t N>
void CopyPart(char (&field)[N], const char* begin, const char* end) {
    CopyPart(field, N, begin, end);
}

// The first of `stops` at or after `p`, or the end of the text.
const char* ScanTo(const char* p, const char* stops) {
    while (*p && !std::strchr(stops, *p)) ++p;
    return p;
}

}  // namespace

void URLRecord::Clear() {
    scheme[0] = user[0] = password[0] = host[0] = path[0] = query[0] = '\0';
    port = 0;
}

bool URLRecord::IsValid() const { return scheme[0] != '\0' && host[0] != '\0'; }

void URLRecord::Parse(const char* text) {
    Clear();
    if (!text) return;
    const char* b = text;
    const char* s = ScanTo(b, ":@/");

    if (s[0] == ':' && s[1] == '/' && s[2] == '/') {
        CopyPart(scheme, b, s);
        b = s + 3;
        s = ScanTo(b, ":@/");
    }

    if (*s == ':' || *s == '@') {
        // A user part only when an at-sign comes before the path.
        const char* at = s;
        while (*at && *at != '/' && *at != '@') ++at;
        if (*at == '@') {
            bool userEndedAtColon = *s == ':';
            CopyPart(user, b, s);
            b = s + 1;
            s = ScanTo(b, ":@/");
            if (userEndedAtColon && *s == '@') {
                CopyPart(password, b, s);
                b = s + 1;
                // A further at-sign belongs to the host.
                s = ScanTo(b, ":/");
            }
        }
    }

    CopyPart(host, b, s);

    if (*s == ':') {
        ++s;
        uint32_t value = 0;
        while (*s >= '0' && *s <= '9') {
            value = value * 10u + static_cast<uint32_t>(*s - '0');  // wraps like the original
            ++s;
        }
        port = value;
    }

    const char* question = std::strchr(s, '?');
    if (question) {
        CopyPart(path, s, question);
        CopyPart(query, question, question + std::strlen(question));
    } else {
        CopyPart(path, s, s + std::strlen(s));
    }
}

Vek::PString URLRecord::Format() const {
    std::string text = scheme[0] ? scheme : "http";
    text += "://";
    if (user[0]) {
        text += user;
        if (password[0]) {
            text += ':';
            text += password;
        }
        text += '@';
    }
    text += host;
    if (port != 0) {
        text += ':';
        text += std::to_string(static_cast<int32_t>(port));
    }
    text += path;
    if (query[0]) text += query;
    return Vek::PString(text.c_str());
}
