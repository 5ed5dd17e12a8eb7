#include "assetdb/assetinfo/VADGetAssetScriptInfo.h"

#include <string>

#include "assetdb/requests/VADAssetLookups.h"

namespace {

// The position of the extension's '.' in the last component, or npos.
std::size_t ExtensionDot(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t separator = path.find_last_of("\\/");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return std::string::npos;
    return dot;
}

}  // namespace

bool VADGetAssetScriptInfo(Vek::PString& className, Vek::File::Path& scriptFile, const KUID& asset) {
    const SoupHandle config = VADGetAssetConfig(asset);
    if (config.IsEmpty()) return false;

    std::string script = config.GetString(Vek::PString("script")).c_str();
    if (script.empty()) script = config.GetString(Vek::PString("scriptlibrary")).c_str();
    std::string stem = script;
    if (!script.empty()) {
        const std::size_t dot = ExtensionDot(script);
        if (dot != std::string::npos) stem.erase(dot);
        script = stem + ".gs";
    }

    className = config.GetString(Vek::PString("class"));
    if (className.IsEmpty()) className = config.GetString(Vek::PString("scriptclass"));
    if (className.IsEmpty()) className = Vek::PString(stem.c_str());

    scriptFile = script.c_str();
    scriptFile.ToLower();
    return !scriptFile.IsEmpty() && !className.IsEmpty();
}
