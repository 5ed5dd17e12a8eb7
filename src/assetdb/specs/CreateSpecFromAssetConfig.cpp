#include "assetdb/specs/CreateSpecFromAssetConfig.h"

#include <string>

#include "assetdb/specs/LoadAssetConfigSoup.h"
#include "assetdb/specs/SpecRegistry.h"

void SplitAssetFolder(const char* folder, Vek::String& parent, Vek::String& name) {
    const std::string path(folder ? folder : "");
    const std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) {
        parent = "";
        name = path.c_str();
        return;
    }
    name = path.substr(cut + 1).c_str();
    std::size_t end = cut;
    while (end > 0 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
    parent = path.substr(0, end).c_str();
}

SpecHandle CreateSpecFromAssetConfig(const KUID& kuid, const Vek::PString& location, const char* folder,
                                     SpecFilter filter) {
    SoupHandle config;
    if (!LoadAssetConfigSoup(location, folder, config) || config.Count() == 0) return SpecHandle();
    SpecRegistry* registry = SpecRegistry::Instance();
    if (!registry) return SpecHandle();

    Vek::String parent, name;
    SplitAssetFolder(folder, parent, name);
    SpecHandle spec = registry->CreateSpec(location, parent.c_str(), name.c_str(), kuid, config);
    if (!spec) return SpecHandle();
    if (filter && !filter(spec.Get())) return SpecHandle();
    spec->EnsureLoaded();
    if (!spec->IsUsable()) return SpecHandle();
    return spec;
}
