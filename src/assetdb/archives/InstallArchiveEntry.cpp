#include "assetdb/archives/InstallArchiveEntry.h"

#include "assetdb/archives/ArchiveExtraction.h"
#include "assetdb/archives/InstallConfig.h"
#include "assetdb/assetinfo/GetAssetDisplayName.h"
#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/client/VADPromptHandler.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADAssetMarks.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"

namespace {

// Status A bit 5 of the asset-info record: an asset of the download service
// that the user may not overwrite lightly.
constexpr uint8_t kDownloadServiceItem = 1 << 5;

// Answers of a prompt handler that let the install go on.
constexpr int32_t kAnswerOverwrite = 2;
constexpr int32_t kAnswerOverwriteAll = 3;

void AddMessage(ResultsLog& log, int32_t severity, const char* key, const KUID& kuid) {
    SoupHandle parameters;
    parameters.SetString("asset_kuid", kuid.ToTagString().c_str());
    log.AddEntry(severity, PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString(), kuid)),
                 GetLocalisedText(key), parameters);
}

// The prompt and log texts for an asset that is installed already, chosen
// by what the asset is.
void ChoosePromptKeys(const VADAssetInfo& info, const char*& prompt, const char*& logText) {
    if (info.statusB & VADAssetInfo::kOpenForEdit) {
        prompt = "$vad_prompt_openforedit";
        logText = "$vad_prompt_openforedit_log";
    } else if (info.statusA & VADAssetInfo::kBuiltIn) {
        prompt = "$vad_prompt_builtin";
        logText = "$vad_prompt_builtin_log";
    } else if (info.statusA & kDownloadServiceItem) {
        prompt = "$vad_prompt_fpx_item";
        logText = "$vad_prompt_fpx_item_log";
    } else {
        prompt = "$vad_prompt_alreadyinstalled";
        logText = "$vad_prompt_alreadyinstalled_log";
    }
}

// The commit value for the install flags.
int32_t CommitValue(int32_t flags) {
    int32_t value = 0;
    if (flags & kInstallSignatureMatched) value += 6;
    if (flags & kInstallCommitFlag8) value += 8;
    return value;
}

}  // namespace

const KUID& InstallArchiveEntry(KUID& installed, const CdpAssetEntry& entry, ResultsLog& log, int32_t flags,
                                uint8_t& commitSecond, VADPromptHandler* prompts) {
    installed = KUID::Null();
    const SoupHandle files = entry.GetFiles();
    if (entry.CheckSignature())
        flags |= kInstallSignatureMatched;
    else
        flags &= ~kInstallSignatureMatched;

    const KUID kuid = entry.GetKUID();
    if (kuid.IsNull()) {
        // Creating an asset for the null KUID would make a new asset under a
        // fresh KUID; an entry without "kuid" cannot be installed.
        AddMessage(log, ResultsLogEntry::kError, "$vad_failed_install", kuid);
        return installed;
    }

    VADAssetInfo info;
    const bool known = VADGetAssetInfo(kuid, info, -1) != 0;
    const bool wasInstalled = known && (info.statusA & VADAssetInfo::kInstalled) != 0;
    const Vek::String name = GetAssetDisplayName(MakeInstallConfig(entry));

    if (wasInstalled) {
        if (prompts) {
            const char* promptKey = nullptr;
            const char* logKey = nullptr;
            ChoosePromptKeys(info, promptKey, logKey);
            const Vek::String question = GetLocalisedText(promptKey);
            Vek::String logText = GetLocalisedText(logKey);
            const int32_t answer = prompts->Answer(question, logText, kuid, &log);
            if (answer != kAnswerOverwrite && answer != kAnswerOverwriteAll) return installed;
        }
        flags &= ~kInstallCommit;
    }

    VADAssetHandle handle = known ? VADOpenAsset(kuid, true, nullptr) : VADCreateAsset(kuid, 0, name);
    if (!handle.IsEditable()) {
        AddMessage(log, ResultsLogEntry::kError, "$vad_write_error", kuid);
        return installed;
    }
    Vek::PString location;
    Vek::File::Path folder;
    handle.GetLocation(location, folder);
    if (folder.IsEmpty()) {
        AddMessage(log, ResultsLogEntry::kError, "$vad_write_error", kuid);
        return installed;
    }

    if (wasInstalled) {
        if (!DeleteInRoot(location, folder.c_str())) {
            AddMessage(log, ResultsLogEntry::kError, "$vad_overwrite_error", kuid);
            return installed;
        }
        MakeDirectoryInRoot(location, folder.c_str());
    }

    Vek::PString error;
    ExtractArchiveFolder(error, files, location, folder.c_str(), entry.GetCompression());
    if (!error.IsEmpty()) {
        AddMessage(log, ResultsLogEntry::kError, "$vad_failed_install", kuid);
        VADRevertAsset(handle, nullptr);
        return installed;
    }

    // The configuration lies beside the files, in the same location.
    Vek::File::Path configPath(folder);
    configPath.AddPath((flags & kInstallCommit) ? "config.chump" : "config.txt");
    if (!SaveSoupFile(MakeInstallConfig(entry), location, configPath.c_str())) {
        AddMessage(log, ResultsLogEntry::kError, "$vad_write_error", kuid);
        VADRevertAsset(handle, nullptr);
        return installed;
    }

    if (flags & kInstallCommit) {
        if (!VADCommitAsset(handle, CommitValue(flags), &log, commitSecond)) return installed;
    }
    handle.Release();
    VADSetAssetFavorite(kuid, true);
    AddMessage(log, ResultsLogEntry::kSuccess, "$vad_installed", kuid);
    installed = kuid;
    return installed;
}
