#pragma once
// The folder that holds the files standing in for named kernel objects
// (named mutexes, named shared memory): $XDG_RUNTIME_DIR when it is set to
// an absolute path, else /tmp/vorlex-<uid>, made with mode 0700. A folder
// that is not a real folder owned by this user (a link, someone else's
// folder) is refused.
#include <string>

// The runtime folder, made when missing; empty when it cannot be made or
// is refused.
std::string GetRuntimeFolder();

// A kernel object name as one file name: bytes outside [A-Za-z0-9._-]
// become "%XX" and runs of '/' count as one. A name that would pass the
// file-name limit keeps its head and gets a hash of the whole name, so two
// long names stay apart.
std::string EscapeObjectName(const std::string& name);

// The path of the file for object `name` with `suffix` (".lock", ...), in
// the runtime folder; empty when there is none.
std::string ObjectFilePath(const std::string& name, const char* suffix);
