#include "assetdb/layout/LocationResolution.h"

#include "assetdb/layout/InstallLayout.h"

namespace {

// The part of `path` below `folder`, empty when it is not below it or is the
// folder itself.
Vek::File::Path RelativeBelow(const Vek::File::Path& folder, const Vek::File::Path& path) {
    Vek::File::Path relative;
    if (!GetPathBelowRoot(folder.c_str(), path.c_str(), relative)) relative.Clear();
    return relative;
}

}  // namespace

bool ResolveLocationFromPath(Vek::PString& location, Vek::File::Path& path) {
    const Vek::File::Path installation = GetInstallationPath();
    if (installation.IsEmpty()) {
        location.Release();
        path.Clear();
        return false;
    }
    if (!location.IsEmpty()) return true;

    Vek::File::Path relative = RelativeBelow(GetUserDataPath(), path);
    if (!relative.IsEmpty()) {
        Vek::File::Path first;
        relative.ExtractFirstPath(first);
        location = Vek::PString(first.c_str());
        location.ToLower();
        path = relative;
        return true;
    }

    relative = RelativeBelow(GetBuiltinFolderPath(), path);
    if (!relative.IsEmpty()) {
        Vek::File::Path first;
        relative.ExtractFirstPath(first);
        Vek::File::Path name("builtin");
        name.Add("\\");
        name.Add(first.c_str());
        location = Vek::PString(name.c_str());
        location.ToLower();
        path = relative;
        return true;
    }

    for (const char* name : {"base", "data"}) {
        const Vek::PString candidate(name);
        relative = RelativeBelow(GetLocationPath(candidate), path);
        if (!relative.IsEmpty()) {
            location = candidate;
            path = relative;
            return true;
        }
    }

    location.Release();
    path.Clear();
    return false;
}
