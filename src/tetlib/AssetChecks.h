#pragma once
// The two phases of the validation job's check step, on the main thread
// under the validation lock:
//  - CheckAndLoadAssetConfig reads the configuration, rejects a future
//    asset (build code above 350: one error, false) and waves through the
//    obsolete kinds "water" and "coatworks-skin" (one warning, true, nothing
//    loaded), then has the container load it;
//  - ValidateAssetContainer scans the asset folder's texture files
//    (ScanTextureDescriptions), then exports the loaded container with its
//    tag and container rules.
// Each phase clears the error handler first and ends by copying its records
// into the job's log: messages (severity 0) are skipped, warnings and
// errors become entries carrying the asset's KUID (the null KUID without a
// "kuid" tag).
#include "engine/File.h"
#include "engine/PString.h"

class ResultsLog;

namespace TETLib {

class Container;

bool CheckAndLoadAssetConfig(const Vek::PString& location, const Vek::File::Path& configurationFile, ResultsLog* log,
                             Container* container);
bool ValidateAssetContainer(Container* container, ResultsLog* log);

// A localised text as the log stores it. Texts stay UTF-8 on this platform
// (docs/platform.md); a null text gives the empty string.
Vek::PString LocalisedTextToAnsi(const char* text);

}  // namespace TETLib
