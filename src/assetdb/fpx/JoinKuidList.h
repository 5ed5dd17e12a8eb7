#pragma once
// A KUID list as one line of text.
#include "assetdb/requests/VADKuidList.h"
#include "engine/PString.h"

// The tag texts of the KUIDs in list order, joined with ", "; empty for an
// empty list.
Vek::PString JoinKuidList(const VADKuidList& kuids);
