#pragma once
// Installing an asset, and the dependencies the download service lists
// with it, from the maker's download service. The service is reached only
// through the daemon's URL requests: the search page and each download come
// back as local files, and each downloaded archive is installed by the
// daemon (operation 40, flags 6).
#include "foundation/kuid/KUID.h"

class ResultsLog;

// True when at least one archive was installed. Without a log every
// failure is silent. False at once when URL requests are unavailable or the
// newest version the daemon knows of `kuid` is installed already.
// A wait for the daemon that saw no progress for the inactivity bound
// (FpxInactivityWatch.h) gives up: with a log it says so; `gaveUp`, when
// given, is set.
bool InstallFromFpx(const KUID& kuid, ResultsLog* log, bool* gaveUp = nullptr);
