#pragma once
// Which entries of a download-service search reply the client should fetch
// (operation 74): an entry whose latest version is a valid KUID that is not
// installed here, where no installed version of its asset is as new or
// newer, each latest version once (its first entry). The entry numbers
// count from 0 in payload order.
#include <cstdint>
#include <vector>

#include "foundation/kuid/KUID.h"

class AssetLibrary;

std::vector<int32_t> ChooseFpxCandidates(AssetLibrary& library, const std::vector<KUID>& latestVersions);
