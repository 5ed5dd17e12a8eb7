#include "tetlib/VADCompileAsset.h"

#include "assetdb/specs/CreateSpecFromAssetConfig.h"
#include "assetdb/specs/LoadAssetConfigSoup.h"
#include "assetdb/specs/SpecHandle.h"
#include "assetdb/specs/SpecRegistry.h"
#include "assetdb/specs/VADScript_VorlexBaseSpecFactory.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"
#include "gsnatives/InitializeScriptSystem.h"

namespace TETLib {

namespace {

bool g_scriptSystemReady = false;

void AddError(ResultsLog* log, const char* text) {
    if (log) log->AddEntry(ResultsLogEntry::kError, PropertyRef(), Vek::String(text), nullptr);
}

int32_t ErrorCount(ResultsLog* log) { return log ? log->GetErrorCount() : 0; }

}  // namespace

bool VADCompileAsset(Vek::PString location, Vek::File::Path folder, ResultsLog* log) {
    if (!g_scriptSystemReady) g_scriptSystemReady = GSNatives::InitializeScriptSystem();
    if (!g_scriptSystemReady) {
        AddError(log, "VADCompileAsset unable to initialise script system");
        return false;
    }

    SoupHandle config;
    if (!LoadAssetConfigSoup(location, folder.c_str(), config)) {
        AddError(log, "VADCompileAsset unable to load asset config");
        return false;
    }

    const KUID kuid = config.GetKUID(Vek::PString("kuid"), KUID());
    if (kuid.IsNull()) {
        AddError(log, "VADCompileAsset unable to determine asset KUID");
        return false;
    }

    // The registry stands while the command host's link does; without one
    // there is nothing to find the asset's spec in.
    SpecRegistry* registry = SpecRegistry::Instance();
    if (!registry) {
        AddError(log, "Failed to load asset for compilation");
        return false;
    }

    bool result = false;
    VADScript_VorlexBaseSpecFactory* factory = nullptr;
    SpecHandle spec = registry->FindSpec(kuid);
    if (spec && !spec.AsVorlexBaseSpec()) {
        AddError(log, "Asset of wrong spec type for compilation");
        spec.Release();
    } else {
        if (!spec) {
            factory = new VADScript_VorlexBaseSpecFactory();
            registry->SetDefaultFactory(factory);
            spec = CreateSpecFromAssetConfig(kuid, location, folder.c_str(), &IsVorlexBaseSpec).CastToVorlexBaseSpec();
            if (!spec) AddError(log, "Failed to load asset for compilation");
        }
        if (VorlexBaseSpec* vorlexSpec = spec.AsVorlexBaseSpec()) {
            const int32_t errorsBefore = ErrorCount(log);
            result = vorlexSpec->CompileScriptClass(log);
            if (!result && ErrorCount(log) == errorsBefore) AddError(log, "Failed to compile asset");
        }
    }

    registry->SetDefaultFactory(nullptr);
    delete factory;
    if (spec) registry->DiscardSpec(spec);
    return result;
}

}  // namespace TETLib
