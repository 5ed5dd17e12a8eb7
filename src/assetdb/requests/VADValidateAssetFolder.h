#pragma once
// Asking the daemon to validate the asset in a folder (operation 38).
#include <cstdint>

#include "engine/File.h"
#include "engine/PString.h"

class ResultsLog;

// Resolves the location and folder first (ResolveLocationFromPath: an
// empty location with an absolute folder becomes a location and a folder
// inside it); when that fails, answers 0 without asking. A location packed
// as a ".va" archive (its folder with ".va" appended exists) answers 1
// without asking: packed content is not validated. Otherwise sends the
// location name (interned string) and the folder (string) with the log and
// answers the reply's ok byte.
uint8_t VADValidateAssetFolder(Vek::PString location, Vek::File::Path folder, ResultsLog* log);
