#include "gsnatives/GSOLibrarySpecFactory.h"

#include <new>

#include "assetdb/specs/SpecRegistry.h"
#include "gsnatives/GSOLibrarySpec.h"

namespace GSNatives {

AssetSpec* GSOLibrarySpecFactory::Create(const Vek::PString& location, const char* parentFolder,
                                         const char* folderName, const KUID& kuid, const SoupHandle& config) {
    const bool shared = config.GetInt(Vek::PString("shared"), 0) != 0;
    const Vek::PString plugin = config.GetString(Vek::PString("native-plugin"));
    return new (std::nothrow) GSOLibrarySpec(location, parentFolder, kuid, config, folderName, shared, plugin);
}

namespace {

KTSpecFactory* MakeLibrarySpecFactory() { return new (std::nothrow) GSOLibrarySpecFactory(); }

}  // namespace

void RegisterLibrarySpecFactory() { SpecRegistry::AddStandingFactoryMaker(&MakeLibrarySpecFactory); }

}  // namespace GSNatives
