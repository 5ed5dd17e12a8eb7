#pragma once
// Splitting a content archive (the hidden command word "fpxparse"): install
// every asset of the archive; when that went without new errors, fetch
// their missing dependencies from the download service and commit the
// installs; then, for each installed asset, log a block of facts and write
// next to the archive a single-asset archive ("<folder form>.cdp") and a
// thumbnail ("<folder form>.jpg"), named by the KUID's folder form
// ("kuid %d %d" or "kuid2 %d %d %d").
//
// The facts of one asset, every entry naming it through an "AssetID"
// property: the status line and the validation of the command words
// "status" and "validate" (given by the caller, which owns them), then the
// info entries "Name: ", "Description: ", "Vorlex-build: %.1f",
// "Dependencies: ", "Obsoletes: ", "kind: ", "alias-kuid: ",
// "category-region: ", "category-era: " and "category-class: ". Free texts
// are printed on one line (EscapeLineBreaks) and KUID lists joined with
// ", " (JoinKuidList).
#include "foundation/kuid/KUID.h"

class ResultsLog;

// The per-asset checks that the front end's command words provide.
struct FpxAssetChecks {
    // Prints the asset's status line (the "status" word's work).
    bool (*printStatus)(const KUID& asset, ResultsLog& log) = nullptr;
    // Has the asset validated (the "validate" word's work).
    bool (*validate)(const KUID& asset, ResultsLog& log) = nullptr;
};

// True after a completed run. False, with an error entry, when the daemon
// link or database is down while waiting for the daemon to become ready,
// when the archive cannot be read ("$vad_unreadable_cdp" with "file_path"),
// or when an install raised the log's error count (the successful installs
// are then reverted, the assets that were not installed before the run are
// deleted, and "Aborted processing" is added). A daemon that stays not
// ready, or reports nothing on a dependency's download-service request,
// for the inactivity bound (FpxInactivityWatch.h) is given up on with a
// message; the dependency case aborts as above. Failures while
// logging facts or writing the per-asset files do not change the result.
bool ParseFpxPackage(const char* path, ResultsLog& log, const FpxAssetChecks& checks);
