#pragma once
// The asset-info record as operation 21 answers it, in this order: KUID;
// display name, category region and keywords (plain strings); eight bytes
// of status A bits, eight of status B, three of status C (bit 0 first, one
// byte per bit, 1 or 0); int32 author id, interned author name, plain
// category era; int32 second id, interned second name, plain category
// class; three bytes of status D; int32 local rating; float build; two
// int64; parent KUID; byte found.
//
// The daemon fills the whole record whatever the detail mask asks for:
//   status A  bit 0 always set, bit 2 locally modified (changed here, or
//             open for editing), bit 3 installed (committed copy in
//             "local"); bits 4, 6 and 7 (built in, on the download
//             service, archived) stay clear: the stand-in has none of those
//   status B  bit 0 open for editing, bit 1 faulty, bit 3 missing
//             dependencies
//   status C  bit 0 favourite
//   second id -1 and no second name; local rating 255 (none); both int64
//   0; parent the null KUID.
// An unknown asset is answered with the KUID asked for, the defaults above
// and found 0.
#include "vaddaemon/AssetLibrary.h"

class TStream;

void WriteAssetInfo(TStream& stream, const AssetInfo& info);
