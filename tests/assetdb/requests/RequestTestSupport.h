#pragma once
// Shared pieces of the request tests: KUIDs and a soup spelt out as golden
// bytes, and short texts that describe results.
#include <string>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/requests/VADKuidList.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

namespace VorlexTest {

// <kuid2:523:1001:2>: content 1001 = 0x3e9, then (2 << 25) | 523 = 0x0400020b.
inline const KUID kAssetA(523, 1001, 2);
inline const char* const kAssetABytes = "e9 03 00 00 0b 02 00 04";
// <kuid:-3:77>: content 77, then (127 << 25) | (-3 & 0x1ffffff) = 0xfffffffd.
inline const KUID kAssetB(-3, 77, 127);
inline const char* const kAssetBBytes = "4d 00 00 00 fd ff ff ff";
// The null KUID: content -1, packed word 0xffffffff.
inline const char* const kNullKuidBytes = "ff ff ff ff ff ff ff ff";

// An "ACS$" soup with one text tag name = "Loco": magic, version 1,
// reserved 0, body size 16; the entry: length 12, name length 5, "name",
// NUL, type 3, "Loco", NUL.
inline const char* const kSoupBytes =
    "41 43 53 24 01 00 00 00 00 00 00 00 10 00 00 00"
    "0c 00 00 00 05 6e 61 6d 65 00 03 4c 6f 63 6f 00";
// The binary form of no soup: the header with body size 0.
inline const char* const kNoSoupBytes = "41 43 53 24 01 00 00 00 00 00 00 00 00 00 00 00";

inline std::string KuidText(const KUID& kuid) { return kuid.ToTagString().c_str(); }

inline std::string ListText(const VADKuidList& list) {
    std::string text;
    for (const KUID& kuid : list) text += (text.empty() ? "" : ",") + KuidText(kuid);
    return text;
}

// "name=value;..." of the soup's tags, or "no soup".
inline std::string SoupText(const SoupHandle& soup) {
    if (soup.IsEmpty()) return "no soup";
    std::string text;
    for (int32_t i = 0; i < soup.Count(); ++i) {
        const Vek::PString name = soup.GetTagName(i);
        text += (i ? ";" : "") + std::string(name.c_str()) + "=" + soup.GetString(name).c_str();
    }
    return text;
}

inline SoupHandle LocoSoup() {
    SoupHandle soup;
    soup.SetString(Vek::PString("name"), "Loco");
    return soup;
}

}  // namespace VorlexTest
