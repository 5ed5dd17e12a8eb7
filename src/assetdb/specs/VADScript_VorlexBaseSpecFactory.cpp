#include "assetdb/specs/VADScript_VorlexBaseSpecFactory.h"

#include <new>

#include "assetdb/specs/VorlexBaseSpec.h"

AssetSpec* VADScript_VorlexBaseSpecFactory::Create(const Vek::PString& location, const char* parentFolder,
                                                   const char* folderName, const KUID& kuid,
                                                   const SoupHandle& config) {
    return new (std::nothrow) VorlexBaseSpec(location, parentFolder, kuid, config, folderName);
}
