#pragma once
// VADAssetInfo: what the daemon knows about one asset (operation 21).
//
// Wire form, in this order (strings in the plain form unless named
// interned):
//   KUID asset; string display name; string category region; string
//   keywords; 8 bytes, one per bit of status A (bit 0 first); 8 bytes for
//   status B; 3 bytes for status C; int32 author id; interned string author
//   name; string category era; int32 second id; interned string second
//   name; string category class; 3 bytes for status D; int32 local rating
//   (its low byte is kept); float build; int64; int64; KUID parent; byte
//   found.
// Each flag byte sets its bit when non-zero. A reply that ends early gives
// every remaining field the read's default (0, empty text, the null KUID),
// the found byte included.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"

class TStream;

struct VADAssetInfo {
    // Status A bits.
    static constexpr uint8_t kLocallyModified = 1 << 2;
    static constexpr uint8_t kInstalled = 1 << 3;
    static constexpr uint8_t kBuiltIn = 1 << 4;
    static constexpr uint8_t kOnDownloadService = 1 << 6;
    static constexpr uint8_t kArchived = 1 << 7;
    // Status B bits.
    static constexpr uint8_t kOpenForEdit = 1 << 0;
    static constexpr uint8_t kFaulty = 1 << 1;
    static constexpr uint8_t kMissingDependencies = 1 << 3;
    static constexpr uint8_t kScriptsPrebuilt = 1 << 5;

    KUID asset;
    Vek::String displayName;
    Vek::String categoryRegion;
    Vek::String keywords;
    uint8_t statusA = 1;
    uint8_t statusB = 0;
    uint8_t statusC = 0;  // 3 bits
    int32_t authorId = 0;
    Vek::PString authorName;
    Vek::String categoryEra;
    int32_t secondId = -1;
    Vek::PString secondName;
    Vek::String categoryClass;
    uint8_t statusD = 0;  // 3 bits
    uint8_t localRating = 255;  // 255: none
    float build = 0.0f;
    int64_t firstValue = 0;
    int64_t secondValue = 0;
    KUID parent;
    uint8_t found = 0;

    // Reads the wire form over this record.
    void Read(TStream& stream);
};

// Operation 21. Payload: KUID; int32 detail mask (-1: the whole record).
// Reply: the record's wire form, read over `info`. Answers the found byte;
// a failed request leaves the record unchanged and answers 0.
uint8_t VADGetAssetInfo(const KUID& asset, VADAssetInfo& info, int32_t detail);
