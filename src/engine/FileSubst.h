#pragma once
// The table of file-system substitutions (named roots) and the resolution of
// root-relative paths. Not for use outside the file service.
#include <memory>
#include <string>

#include "engine/FileArchive.h"
#include "engine/PString.h"

namespace Vek::FileDetail {

// Where a root-relative path leads: an OS path (a folder root or the plain
// file system) or a clean path inside an archive.
struct RootTarget {
    std::shared_ptr<FileArchive> archive;  // set for an archive root
    std::string osPath;                    // otherwise the resolved OS path
    std::string inner;                     // the path inside the archive
    bool missing = false;                  // a component of osPath was found absent
};

// False when the root is unknown, when the path climbs out of the root, and
// for an empty path on the plain file system.
bool ResolveInRoot(const PString& root, const char* path, RootTarget& out);

// The folder of the folder substitution `name` (exact name); false when
// there is none or it is an archive.
bool LookupFolderSubst(const std::string& name, std::string& folder);

}  // namespace Vek::FileDetail
