#pragma once
// The asset validation road: the command host's VALIDATE job checks one
// asset folder inside a location and answers with a result log and a
// boolean.
//
// ValidateAssetAtLocation moves the work onto the main thread (at once when
// called there; otherwise queued, and the caller waits) and answers what
// ValidateAssetFolder answered, or false when the dispatcher dropped the
// job at shutdown.
//
// ValidateAssetFolder, in order:
//  1. an empty location is worked out from an absolute path, which becomes
//     the path inside it; false, with nothing logged, when that fails;
//  2. a location packed as an archive (its folder with ".va" appended
//     exists) answers true at once: packed content is not checked;
//  3. unused interned strings are collected, the location's resource
//     database is opened and held, and the validation lock is taken;
//  4. the data manager notes whether the location is an installed one
//     (neither "editing" nor "base");
//  5. the configuration is "config.chump" in the asset folder, else
//     "config.txt"; with neither, one error entry "$vad_unable_read_config_at"
//     whose "file_path" parameter is the folder, and false;
//  6. the asset is made current and the check step runs (RunAssetChecks);
//  7. an error entry added by the check step answers false. Otherwise the
//     asset passed its checks and the script compile step (VADCompileAsset)
//     answers.
#include "engine/File.h"
#include "engine/PString.h"

class ResultsLog;

namespace TETLib {

class Container;

bool ValidateAssetAtLocation(Vek::PString location, Vek::File::Path path, ResultsLog* log);

// The validation proper, on the calling thread.
bool ValidateAssetFolder(Vek::PString location, Vek::File::Path path, ResultsLog* log);

// The configuration file of the asset folder `path` inside `location`
// (whose file-system root must stand): the folder with "config.chump" when
// that exists, else with "config.txt" when that exists; false when neither
// does.
bool ChooseAssetConfigFile(const Vek::PString& location, const Vek::File::Path& path,
                           Vek::File::Path& configuration);

// The check step over the chosen configuration file (a path inside the
// location), under the validation lock: the configuration is loaded into
// the container (one of the check step's own when none is given) and,
// when that added no error entry, the container is exported with its rules
// (AssetChecks.h). Releases the meshes the checks
// loaded and clears the mesh-load-failed flag afterwards. The caller
// judges the outcome by the log's error count.
void RunAssetChecks(const Vek::PString& location, const Vek::File::Path& configurationFile, Container* container,
                    ResultsLog* log);

// The job record handed to the main thread; it lives in the caller's frame
// and the caller waits until it has run.
struct ValidateAssetTask {
    const Vek::PString* location = nullptr;
    const Vek::File::Path* path = nullptr;
    ResultsLog* log = nullptr;
    bool result = false;

    bool RunOnMainThread();
    void Run(intptr_t);
};

}  // namespace TETLib
