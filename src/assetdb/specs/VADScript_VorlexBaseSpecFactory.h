#pragma once
// The one factory of the program: it makes VorlexBaseSpec objects. The
// asset compile step of validation installs one as the registry's default
// factory while it runs (SpecRegistry::SetDefaultFactory).
#include "assetdb/specs/KTSpecFactory.h"

class VADScript_VorlexBaseSpecFactory : public KTSpecFactory {
public:
    static constexpr const char* kName = "--VADScript_VorlexBaseSpecFactory--";

    VADScript_VorlexBaseSpecFactory() : KTSpecFactory(kName) {}

    // A new VorlexBaseSpec; null when it cannot be allocated.
    AssetSpec* Create(const Vek::PString& location, const char* parentFolder, const char* folderName, const KUID& kuid,
                      const SoupHandle& config) override;
};
