#pragma once
// The include list of the GameScript compiler: the folders searched, in
// order, for a source and the files it includes. An entry may name a
// file-system substitution (an asset's archive) through which its folder is
// searched.
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/containers/DoubleLinkList.h"

class IncludePath {
public:
    IncludePath(const Vek::File::Path& folder, const Vek::PString& archive) : folder(folder), archive(archive) {}

    Vek::File::Path folder;
    // Empty: the plain file system.
    Vek::PString archive;
};

// The process-wide list of IncludePath* that the compile entries search
// front to back. CompileScriptToFolder fills it itself; CompileScriptToFile
// uses it as its caller left it.
Utils::DoubleLinkList& IncludePaths();

// Deletes every entry of a list of IncludePath* and empties it.
void ClearIncludePaths(Utils::DoubleLinkList& list);
