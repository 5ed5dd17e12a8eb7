#pragma once
// The asset-info reply of operation 21 taken apart field by field, in the
// order of the record's wire form.
#include <string>

#include "vaddaemon/RawLink.h"

namespace VorlexTest {

struct InfoReply {
    Bytes kuid;
    std::string name, region, keywords;
    // Each status as its bytes' values, bit 0 first ("10110000").
    std::string a, b, c, d;
    int32_t author = 0;
    std::string authorName, era;
    int32_t secondId = 0;
    std::string secondName, categoryClass;
    int32_t rating = 0;
    Bytes build;
    int64_t first = 0, second = 0;
    Bytes parent;
    int found = -1;
    bool complete = false;
};

inline InfoReply ReadInfo(const Bytes& body) {
    BodyReader read(body);
    InfoReply info;
    auto bits = [&](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + read.Byte());
        return text;
    };
    info.kuid = read.Take(8);
    info.name = read.Text();
    info.region = read.Text();
    info.keywords = read.Text();
    info.a = bits(8);
    info.b = bits(8);
    info.c = bits(3);
    info.author = read.Word();
    info.authorName = read.Interned();
    info.era = read.Text();
    info.secondId = read.Word();
    info.secondName = read.Interned();
    info.categoryClass = read.Text();
    info.d = bits(3);
    info.rating = read.Word();
    info.build = read.Take(4);
    info.first = read.Long();
    info.second = read.Long();
    info.parent = read.Take(8);
    info.found = read.Byte();
    info.complete = read.ok && read.Left() == 0;
    return info;
}

// Operation 21 with the detail mask -1.
inline InfoReply AskInfo(RawLink& link, const Bytes& kuid) { return ReadInfo(link.Request(21, kuid + Le32(-1))); }

}  // namespace VorlexTest
