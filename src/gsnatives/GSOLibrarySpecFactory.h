#pragma once
// GSOLibrarySpecFactory: the spec factory of library assets (kind
// "library"). The program adds it to every spec registry at start-up, so
// that GetSpecForKuid of an installed library asset gives a GSOLibrarySpec
// and scripts can make its library object (GetLibrary).
//
// From the asset's configuration: "shared" (an integer, non-zero: the
// library object is taken from the parent context) and "native-plugin"
// (the name of the asset's native plug-in library, without suffix; empty:
// none).
#include "assetdb/specs/KTSpecFactory.h"

namespace GSNatives {

class GSOLibrarySpecFactory : public KTSpecFactory {
public:
    static constexpr const char* kKind = "library";

    GSOLibrarySpecFactory() : KTSpecFactory(kKind) {}

    // A new GSOLibrarySpec; null when it cannot be allocated.
    AssetSpec* Create(const Vek::PString& location, const char* parentFolder, const char* folderName, const KUID& kuid,
                      const SoupHandle& config) override;
};

// Makes every spec registry of the process hold a library factory
// (SpecRegistry::AddStandingFactoryMaker); once is enough.
void RegisterLibrarySpecFactory();

}  // namespace GSNatives
