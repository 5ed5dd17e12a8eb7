#include "assetdb/layout/ShippedLibraries.h"

#include <unistd.h>

#include <string>

#include "engine/PString.h"
#include "foundation/files/FileCopy.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"

int CopyMissingShippedLibraries(const Vek::File::Path& shipped, const Vek::File::Path& libraries) {
    const Vek::PString none;
    if (shipped.IsEmpty() || libraries.IsEmpty() || !IsDirectoryInRoot(none, shipped.c_str())) return 0;
    Vek::File::Path pattern = shipped;
    pattern.AddPath("*");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str())) return 0;
    int copied = 0;
    do {
        const char* name = find.GetName();
        if (IsDotOrDotDot(name) || find.IsDirectory()) continue;
        Vek::File::Path target = libraries;
        target.AddPath(name);
        if (ExistsInRoot(none, target.c_str())) continue;
        Vek::File::Path source = shipped;
        source.AddPath(name);
        // The process id keeps two programs starting at once off each
        // other's temporary file.
        Vek::File::Path temporary = libraries;
        temporary.AddPath((std::string(name) + "." + std::to_string(::getpid()) + ".part").c_str());
        if (!CopyFileBetweenRoots(none, source.c_str(), none, temporary.c_str())) continue;
        // Rename never replaces: a library that appeared meanwhile stays.
        if (Vek::File::Rename(temporary.c_str(), target.c_str()))
            ++copied;
        else
            Vek::File::Unlink(temporary.c_str());
    } while (find.Next());
    return copied;
}
