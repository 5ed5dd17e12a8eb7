#include "gsnatives/GSOLibrarySpec.h"

#include "gsnatives/GSOLibrary.h"

namespace GSNatives {

GSOLibrarySpec::GSOLibrarySpec(const Vek::PString& location, const char* parentFolder, const KUID& kuid,
                               const SoupHandle& config, const char* folderName, bool shared,
                               const Vek::PString& nativePlugin)
    : VorlexBaseSpec(location, parentFolder, kuid, config, folderName), m_shared(shared), m_nativePlugin(nativePlugin) {
    SetScriptInfo(Vek::PString("Library.gsl"), Vek::PString("Library"), kSharedLibrary);
}

GSOLibrary* GSOLibrarySpec::CreateLibrary(VorlexScriptContext* context) { return GSOLibrary::Create(this, context); }

bool IsGSOLibrarySpec(AssetSpec* spec) { return dynamic_cast<GSOLibrarySpec*>(spec) != nullptr; }

}  // namespace GSNatives
