#pragma once
// GSOLibrarySpec: the AssetSpec of a library asset, an asset whose script
// other scripts use as a shared service. It adds to VorlexBaseSpec the
// "shared" flag (the library object is taken from the parent context) and
// the name of the asset's native plug-in library (may be empty), and makes
// the asset's library object for a script context.
#include "assetdb/specs/VorlexBaseSpec.h"
#include "engine/PString.h"

namespace GSNatives {

class GSOLibrary;
class VorlexScriptContext;

class GSOLibrarySpec : public VorlexBaseSpec {
public:
    // Until the configuration names a script of its own, the AssetSpec's
    // script is the class "Library" of the shared "Library.gsl".
    GSOLibrarySpec(const Vek::PString& location, const char* parentFolder, const KUID& kuid, const SoupHandle& config,
                   const char* folderName, bool shared, const Vek::PString& nativePlugin);

    bool IsShared() const { return m_shared; }
    const Vek::PString& GetNativePluginName() const { return m_nativePlugin; }

    // A new library object of this asset for `context` (GSOLibrary::Create).
    GSOLibrary* CreateLibrary(VorlexScriptContext* context);

private:
    bool m_shared;
    Vek::PString m_nativePlugin;
};

// The filter that accepts only library AssetSpecs.
bool IsGSOLibrarySpec(AssetSpec* spec);

}  // namespace GSNatives
