#pragma once
// The files of an asset that an install from an archive leaves out.
//
// Extraction (ExtractArchiveFolder) writes only names that
// IsArchiveFileNameValid accepts, folders whose path IsArchivePathValid
// accepts and files whose type IsArchiveFileTypeAllowed accepts, and skips
// every other entry silently. The words that still hold such a file (the
// archive builder, the folder install) name it, so that the loss shows
// before the archive is the only copy.
#include <string>
#include <vector>

#include "engine/File.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class ResultsLog;

struct SkippedArchiveFile {
    std::string path;   // below the asset folder, '/' between components
    bool badType;       // the file type is not allowed; else a name on its path is not
};

// Each file of an exported "files" container that extraction skips, in tag
// order (a file below a skipped folder included).
std::vector<SkippedArchiveFile> FindSkippedArchiveFiles(const SoupHandle& files);

// The same for an asset folder on disk, as the daemon exports it: every
// entry but the configuration ("config.txt", "config.chump") at the top, in
// listing order, each folder's files where the folder stands. Each folder is walked once (a link back to a folder
// already on the walk is not followed), at most kMaxTreeDepth deep.
std::vector<SkippedArchiveFile> FindSkippedArchiveFiles(const Vek::File::Path& folder);

// One warning per file, carrying the asset's "AssetID" property:
// The file "<path>" is left out when the asset is installed from an
// archive: <its file type | a name on its path> is not one an archive
// install writes.
void WarnOfSkippedArchiveFiles(ResultsLog& log, const KUID& kuid, const std::vector<SkippedArchiveFile>& files);
