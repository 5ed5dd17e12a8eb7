#include "vaddaemon/InstallStaging.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "engine/File.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/AssetStore.h"
#include "vaddaemon/DurableSteps.h"

namespace {

constexpr const char* kStagingFolder = "installing";

std::string StagingRoot() { return AssetLibrary::WorkFolder(kStagingFolder); }

}  // namespace

std::string PrepareStagingFolder(const KUID& kuid) {
    const std::string root = StagingRoot();
    if (root.empty() || !Vek::File::MakeDirectory(root.c_str())) return std::string();
    Vek::File::Path folder(root.c_str());
    folder.AddPath(KUID::ToFolderName(kuid).c_str());
    if (Vek::File::Exists(folder.c_str())) Vek::File::DeleteTree(folder.c_str());
    if (Vek::File::Exists(folder.c_str())) return std::string();
    return folder.Str();
}

bool CommitStagedInstall(AssetStore& store, const AssetRecord& record, const std::string& staging,
                         const std::string& target, std::string& error) {
    DurableStep();  // the files are in the staging folder
    if (!store.Put(record)) {
        Vek::File::DeleteTree(staging.c_str());
        error = store.UpdateFailureText();
        return false;
    }
    DurableStep();  // the record is committed
    if (!Vek::File::Rename(staging.c_str(), target.c_str())) {
        // The record stays; the next start completes the rename.
        error = "The asset's folder could not be moved into the local location.";
        return false;
    }
    DurableStep();  // the folder is in place
    return true;
}

void RecoverStagedInstalls(AssetStore& store) {
    const std::string root = StagingRoot();
    if (root.empty()) return;
    const std::string osRoot = Vek::File::ResolveOsPath(root.c_str());
    std::error_code failed;
    if (osRoot.empty() || !std::filesystem::is_directory(osRoot, failed)) return;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(osRoot, failed))
        names.push_back(entry.path().filename().string());
    if (names.empty()) return;
    std::map<std::string, KUID> installed;
    for (const KUID& kuid : store.AllAssets()) installed.emplace(KUID::ToFolderName(kuid).c_str(), kuid);
    for (const std::string& name : names) {
        Vek::File::Path staging(root.c_str());
        staging.AddPath(name.c_str());
        const auto found = installed.find(name);
        AssetRecord record;
        if (found != installed.end() && store.Find(found->second, record) && record.installed) {
            const std::string target = AssetLibrary::AssetFolder(AssetLibrary::kLocal, found->second);
            if (!target.empty() && !Vek::File::Exists(target.c_str()) &&
                Vek::File::Rename(staging.c_str(), target.c_str()))
                continue;
        }
        Vek::File::DeleteTree(staging.c_str());
    }
}
