#pragma once
// Fresh names for temporary files in the user data folder.
#include "engine/File.h"
#include "engine/PString.h"

// Makes the user data folder (as MakeDirectoryInRoot with `location`; its
// result is not looked at) and forms up to 100 names
//   <user data folder>\temp-XXXXXXXX<call number>.tmp
// where X are random characters 0-9 and a-z and the call number counts the
// calls of this process (1, 2, ...; once per call, not per try). The first
// name for which ExistsInRoot(location, name) is false goes to `path`, with
// true. When all 100 are taken, or the user data folder is unknown, the
// failure is logged and the result is false. Safe to call from any thread.
bool CreateTemporaryFilePath(Vek::File::Path& path, const Vek::PString& location);
