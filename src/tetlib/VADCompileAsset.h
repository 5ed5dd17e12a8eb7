#pragma once
// The asset script compile step, the last step of the validation job for an
// asset that passed its checks: the script system is set up (once; a failed
// set-up is asked again at the next step and answers its first result),
// the asset's configuration and KUID are read, its VorlexBaseSpec is found
// in the registry or made with the tools' own factory, and the AssetSpec
// compiles its scripts and checks its script class against the asset's
// kind. The AssetSpec is discarded from the registry afterwards, so the next
// validation reads the asset afresh.
//
// Its own messages are plain error entries of `log`: "VADCompileAsset
// unable to initialise script system", "VADCompileAsset unable to load
// asset config", "VADCompileAsset unable to determine asset KUID", "Asset
// of wrong spec type for compilation", "Failed to load asset for
// compilation", and "Failed to compile asset" when the compile failed
// without an error entry of its own. Main thread only, under the
// validation lock.
#include "engine/File.h"
#include "engine/PString.h"

class ResultsLog;

namespace TETLib {

bool VADCompileAsset(Vek::PString location, Vek::File::Path folder, ResultsLog* log);

}  // namespace TETLib
