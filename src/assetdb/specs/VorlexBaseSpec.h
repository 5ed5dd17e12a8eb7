#pragma once
// VorlexBaseSpec: the AssetSpec class of every asset of this program;
// the registry makes one whenever no factory claims the asset's kind
// (SpecRegistry::CreateSpec).
//
// On top of AssetSpec it knows the asset's kind, its build number and the
// base name of its files, all read from the configuration at construction.
// The asset's scripts (library, class, compiled-library cache) join this
// class with the script work; until then a VorlexBaseSpec is a plain spec
// and is valid whenever its KUID is not null.
#include "assetdb/specs/AssetSpec.h"
#include "foundation/soups/SoupHandle.h"

class VorlexBaseSpec : public AssetSpec {
public:
    // With a configuration (a non-empty soup): kind = its "kind" text and
    // build = GetAssetBuild; without one: no kind and build 1.3. The file base
    // name is, for a build below 2.50, the "asset-filename" text (the folder
    // name when that is empty), lower-cased; for later builds "default".
    VorlexBaseSpec(const Vek::PString& location, const char* parentFolder, const KUID& kuid, const SoupHandle& config,
                   const char* folderName);
    ~VorlexBaseSpec() override = default;

    float GetBuild() const { return m_build; }

private:
    float m_build = 1.3f;
};

// The build number of an asset's configuration: the float "vorlex-build"
// plus 0.005 when it lies in [1, 100); otherwise 2.0 when the configuration
// has a "mesh-table", "class" or "scriptclass" tag, else 1.3.
float GetAssetBuild(const SoupHandle& config);
