#pragma once
// Fetching the dependencies of an installed asset from the download
// service.
#include "foundation/kuid/KUID.h"

// Only while URL requests are available. Each pass asks the daemon for the
// asset's dependencies and runs InstallFromFpx (without a log) for each of
// them in order; a further pass follows while any install of the pass
// succeeded. False when a wait for the daemon gave up (no progress for the
// inactivity bound): the passes stop there.
bool InstallFpxDependencies(const KUID& kuid);
