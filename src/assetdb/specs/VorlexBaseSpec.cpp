#include "assetdb/specs/VorlexBaseSpec.h"

VorlexBaseSpec::VorlexBaseSpec(const Vek::PString& location, const char* parentFolder, const KUID& kuid,
                               const SoupHandle& config, const char* folderName)
    : AssetSpec(kuid, location, parentFolder, folderName) {
    if (!config.IsEmpty()) {
        m_kind = config.GetString("kind");
        m_build = GetAssetBuild(config);
    }
    // Builds are compared in hundredths, truncated, as everywhere else.
    if (static_cast<int>(m_build * 100.0f) < 250) {
        Vek::PString name = config.GetString("asset-filename");
        m_fileBaseName = name.IsEmpty() ? GetFolderName().c_str() : name.c_str();
        m_fileBaseName.ToLower();
    } else {
        m_fileBaseName = "default";
    }
}

float GetAssetBuild(const SoupHandle& config) {
    const float build = config.GetFloat("vorlex-build", 0.0f);
    if (build >= 1.0f && build < 100.0f) return static_cast<float>(build + 0.005);
    if (config.HasTag("mesh-table") || config.HasTag("class") || config.HasTag("scriptclass")) return 2.0f;
    return 1.3f;
}
