#include "vaddaemon/AssetFolderCheck.h"

#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"
#include "vaddaemon/AssetConfigFacts.h"

namespace {

constexpr int32_t kSeverityError = 3;

void Finding(ResultsLog* log, const std::string& text) {
    if (log) log->AddEntry(kSeverityError, PropertyRef(), Vek::String(text.c_str()), nullptr);
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

bool ClimbsOut(const std::string& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

bool HasConfigFile(const std::string& folder) {
    for (const char* name : {"config.chump", "config.txt"}) {
        Vek::File::Path path(folder.c_str());
        path.AddPath(name);
        if (Vek::File::Exists(path.c_str()) && !Vek::File::IsDirectory(path.c_str())) return true;
    }
    return false;
}

}  // namespace

bool CheckAssetFolder(const std::string& location, const std::string& folder, ResultsLog* log) {
    std::string path;
    if (location.empty()) {
        if (!IsAbsolute(folder) || ClimbsOut(folder)) {
            Finding(log, "The folder \"" + folder + "\" is not an absolute path.");
            return false;
        }
        path = folder;
    } else {
        const Vek::File::Path root = GetLocationPath(Vek::PString(location.c_str()));
        if (root.IsEmpty()) {
            Finding(log, "The location \"" + location + "\" is not known.");
            return false;
        }
        if (IsAbsolute(folder) || ClimbsOut(folder)) {
            Finding(log, "The folder \"" + folder + "\" is not inside the location \"" + location + "\".");
            return false;
        }
        Vek::File::Path joined(root);
        if (!folder.empty()) joined.AddPath(folder.c_str());
        path = joined.Str();
    }
    if (!Vek::File::IsDirectory(path.c_str())) {
        Finding(log, "The folder \"" + folder + "\" does not exist.");
        return false;
    }
    if (!HasConfigFile(path)) {
        Finding(log, "The folder \"" + folder + "\" holds no configuration file.");
        return false;
    }
    SoupHandle config;
    if (!LoadAssetConfig(path, config)) {
        Finding(log, "The configuration in \"" + folder + "\" cannot be read.");
        return false;
    }
    const KUID kuid = ConfigKuid(config);
    if (kuid.IsNull() || !kuid.IsValid()) {
        Finding(log, "The configuration in \"" + folder + "\" names no asset.");
        return false;
    }
    return true;
}
