#pragma once
// Lists of KUIDs as the request functions take and fill them (block-ring
// arrays), and their wire form: int32 n, then n KUIDs in their stream form.
#include <cstdint>

#include "engine/DynamicArray.h"
#include "foundation/kuid/KUID.h"

class TStream;

using VADKuidList = Vek::DynamicArray<KUID, 128>;

// Reads the count and appends the KUIDs that follow. A negative count
// gives none; a count larger than the bytes left can hold is cut to what
// is there, so a false count costs nothing.
void ReadVADKuidList(TStream& stream, VADKuidList& list);
// Writes the count and every KUID in list order.
void WriteVADKuidList(TStream& stream, const VADKuidList& list);
