#include "tetlib/ValidateAssetAtLocation.h"

#include "assetdb/client/CollectGarbageOnMainThread.h"
#include "assetdb/layout/LocationResolution.h"
#include "assetdb/resources/ResourceDatabaseRef.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include <memory>

#include "tetlib/AssetChecks.h"
#include "tetlib/DataManager.h"
#include "tetlib/VADCompileAsset.h"
#include "tetlib/container/Container.h"
#include "tetlib/ValidationLock.h"

namespace TETLib {

namespace {

// Gives the location's resource database back on every exit.
class HeldDatabase {
public:
    explicit HeldDatabase(const Vek::PString& location) : m_ref(ResourceDatabaseRef::Open(location)) {}
    ~HeldDatabase() { m_ref.Release(); }
    HeldDatabase(const HeldDatabase&) = delete;
    HeldDatabase& operator=(const HeldDatabase&) = delete;

private:
    ResourceDatabaseRef m_ref;
};

bool IsPackedLocation(const Vek::PString& location) {
    Vek::File::Path archive = GetLocationPath(location);
    if (archive.IsEmpty()) return false;
    archive.Add(".va");
    return Vek::File::Exists(archive.c_str());
}

void AddMissingConfiguration(ResultsLog* log, const Vek::File::Path& path) {
    if (!log) return;
    SoupHandle parameters;
    parameters.SetString("file_path", path.c_str());
    log->AddEntry(ResultsLogEntry::kError, PropertyRef(), GetLocalisedText("$vad_unable_read_config_at"), parameters);
}

int32_t ErrorCount(ResultsLog* log) { return log ? log->GetErrorCount() : 0; }

}  // namespace

bool ValidateAssetAtLocation(Vek::PString location, Vek::File::Path path, ResultsLog* log) {
    ValidateAssetTask task;
    task.location = &location;
    task.path = &path;
    task.log = log;
    task.result = false;
    return task.RunOnMainThread();
}

bool ValidateAssetTask::RunOnMainThread() {
    const TCXCallback callback = MakeMemberCallback(this, &ValidateAssetTask::Run);
    CallDispatcher::Instance().DispatchCall(reinterpret_cast<CallContext>(this), CallFlagMainThread, callback);
    return result;
}

void ValidateAssetTask::Run(intptr_t) {
    result = ValidateAssetFolder(*location, *path, log);
}

bool ValidateAssetFolder(Vek::PString location, Vek::File::Path path, ResultsLog* log) {
    if (!ResolveLocationFromPath(location, path)) return false;

    bool installedLocation = true;
    if (!location.IsEmpty()) {
        if (IsPackedLocation(location)) return true;
        installedLocation = !(location == Vek::PString("editing") || location == Vek::PString("base"));
    }

    CollectGarbageOnMainThread();
    HeldDatabase database(location);
    Vek::SingleLock hold(ValidationLock());

    DataManager* manager = DataManager::Instance();
    manager->SetInstalledLocation(installedLocation);
    const int32_t errorsBefore = ErrorCount(log);

    Vek::File::Path configuration;
    if (!ChooseAssetConfigFile(location, path, configuration)) {
        AddMissingConfiguration(log, path);
        return false;
    }

    manager->SetCurrentAsset(location.c_str(), path.c_str());
    RunAssetChecks(location, configuration, nullptr, log);
    if (ErrorCount(log) != errorsBefore) return false;
    return VADCompileAsset(location, path, log);
}

bool ChooseAssetConfigFile(const Vek::PString& location, const Vek::File::Path& path,
                           Vek::File::Path& configuration) {
    for (const char* name : {"config.chump", "config.txt"}) {
        configuration = path;
        configuration.AddPath(name);
        if (ExistsInRoot(location, configuration.c_str())) return true;
    }
    configuration.Clear();
    return false;
}

void RunAssetChecks(const Vek::PString& location, const Vek::File::Path& configurationFile, Container* container,
                    ResultsLog* log) {
    Vek::SingleLock hold(ValidationLock());
    DataManager* manager = DataManager::Instance();
    manager->LoadDefinitions();
    {
        // The job's container, or one of this check step.
        std::unique_ptr<Container> own;
        if (!container) {
            own = std::make_unique<Container>();
            container = own.get();
        }
        // A load that reported errors but still loaded (a mesh that failed,
        // for one) goes on to the container's own checks, so that every
        // finding of the asset is reported at once.
        if (CheckAndLoadAssetConfig(location, configurationFile, log, container))
            ValidateAssetContainer(container, log);
    }
    manager->ReleaseLoadedMeshes();
    manager->SetMeshLoadFailed(false);
}

}  // namespace TETLib
