#include "tetlib/AssetChecks.h"

#include <memory>
#include <strings.h>

#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/properties/PropertyRef.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/container/Container.h"
#include "tetlib/textures/ScanTextureDescriptions.h"

namespace TETLib {

namespace {

PropertyRef EntryProperty(const SoupHandle& configuration) {
    return PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString(), configuration.GetKUID("kuid", KUID())));
}

void AddEntry(ResultsLog* log, int32_t severity, const char* key, const SoupHandle& configuration) {
    if (!log) return;
    log->AddEntry(severity, EntryProperty(configuration),
                  Vek::String(LocalisedTextToAnsi(GetLocalisedText(key).c_str()).c_str()), nullptr);
}

void TransferRecords(ResultsLog* log, const SoupHandle& configuration) {
    if (!log) return;
    for (const ErrorRecord& record : ErrorHandler::Instance()->Records()) {
        if (record.severity == ErrorHandler::kSeverityMessage) continue;
        log->AddEntry(record.severity, EntryProperty(configuration), Vek::String(record.text.c_str()), nullptr);
    }
}

}  // namespace

Vek::PString LocalisedTextToAnsi(const char* text) { return Vek::PString(text ? text : ""); }

bool CheckAndLoadAssetConfig(const Vek::PString& location, const Vek::File::Path& configurationFile, ResultsLog* log,
                             Container* container) {
    DataManager* data = DataManager::Instance();
    data->LoadDefinitions();
    Vek::File::Path folder = configurationFile;
    folder.DelName();
    folder.RemoveTrailingSeparator();
    data->SetCurrentAsset(location.c_str(), folder.c_str());
    ErrorHandler::Instance()->Clear();

    SoupHandle configuration;
    LoadSoupFile(configuration, location, configurationFile.c_str());
    const float build = configuration.GetFloat("vorlex-build", 1.3f);
    if (BuildCodeWithMargin(build) > kFutureAssetBuildCode) {
        AddEntry(log, 3, "$tet_future_asset", configuration);
        return false;
    }
    const Vek::PString kind = configuration.GetString("kind");
    if (strcasecmp(kind.c_str(), "water") == 0) {
        AddEntry(log, 2, "$tet_obsolete_water", configuration);
        return true;
    }
    if (strcasecmp(kind.c_str(), "coatworks-skin") == 0) {
        AddEntry(log, 2, "$tet_obsolete_coatworks", configuration);
        return true;
    }
    data->LoadDefinitions();
    std::unique_ptr<Container> temporary;
    if (!container) {
        temporary = std::make_unique<Container>();
        container = temporary.get();
    }
    const bool loaded = container->LoadFromConfig(configuration);
    TransferRecords(log, configuration);
    return loaded;
}

bool ValidateAssetContainer(Container* container, ResultsLog* log) {
    if (!container || container->configuration.Count() == 0) return true;
    ErrorHandler::Instance()->Clear();
    // The asset's folder on disk: its location's folder and its path there.
    const DataManager* data = DataManager::Instance();
    Vek::File::Path folder = GetLocationPath(data->GetAssetLocation());
    folder.AddPath(data->GetAssetPath().c_str());
    // Paths in the findings read relative to the folder.
    const std::string root = folder.Str() + "/";
    const bool textures = ScanTextureDescriptions(root, root);
    SoupHandle out;
    out.EnsureContainer();
    const bool exported = container->Export(out);
    const bool rules = exported && container->RunValidators();
    TransferRecords(log, container->configuration);
    return textures && exported && rules;
}

}  // namespace TETLib
