#pragma once
// Turning an absolute path back into an asset location and a path inside it.
#include "engine/File.h"
#include "engine/PString.h"

// When `location` is already given, true and nothing changes. Otherwise the
// absolute `path` is matched, in this order, against (paths compared in the
// normalised form, so without regard to case or slash direction):
//  - the user data folder U: the first component below U, lower-cased,
//    becomes the location and the rest the path;
//  - I + "builtin": the location is "builtin\" and the first component
//    below it, lower-cased; the rest is the path;
//  - the location "base", then the location "data": the location is that
//    name and the path is all below its folder.
// A match needs something below the folder (U itself does not match). The
// path given back is in the normalised form. False, with both emptied, when
// nothing matches or the installation folder is unknown.
bool ResolveLocationFromPath(Vek::PString& location, Vek::File::Path& path);
