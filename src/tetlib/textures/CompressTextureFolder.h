#pragma once
// Converts every texture description (name ending ".texture.txt", any case)
// in a folder and its subfolders into its compiled texture, one
// VADTextureConvertFileRPC per file, all started before the first is waited
// for. Results: 2 all converted; 1 a job's chain was dropped by the
// dispatcher (every other job is still waited for before returning); 0 the
// folder cannot be searched, a file failed, or a subfolder did not give 2.
//
// The walk stays in the folder's location (the folder itself when it lies
// in none): a subfolder or description that leads out of it through a
// symbolic link is reported ("Unable to convert '...': it leads out of its
// location") and not converted, which makes the result 0. A folder reached
// again through a link is walked once, and the walk goes at most
// kMaxTreeDepth folders deep.
#include "engine/File.h"
#include "engine/PString.h"

class ResultsLog;

namespace TETLib {

// `location` empty: `folder` is an absolute path on the plain file system;
// otherwise a folder inside that location.
int CompressTextureFolderRecursive(const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log);
// The `compresstexture` command's entry: the same call.
int CompressTextureFolder(const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log);

}  // namespace TETLib
