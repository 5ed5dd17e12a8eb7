#include "vaddaemon/AssetInstall.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "assetdb/archives/ArchiveExtraction.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/InstallConfig.h"
#include "engine/File.h"
#include "foundation/files/FileCopy.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "vaddaemon/AssetConfigFacts.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/InstallStaging.h"

namespace {

constexpr int32_t kSeverityInformation = 1;
constexpr int32_t kSeverityError = 3;

void Note(ResultsLog* log, int32_t severity, const KUID& kuid, const std::string& text) {
    if (!log) return;
    PropertyRef property;
    if (!kuid.IsNull()) property.Attach(new VorlexPropertyAssetID("AssetID", kuid));
    log->AddEntry(severity, property, Vek::String(text.c_str()), nullptr);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && (path[0] == '/' || path[0] == '\\'); }

// Why the archive path names no file that can be read (nothing there, or a
// folder, a FIFO, a device); empty when it names a regular file.
std::string PathIsNoFile(const std::string& path) {
    if (!Vek::File::Exists(path.c_str())) return "The archive \"" + path + "\" does not exist.";
    const std::string os = Vek::File::ResolveOsPath(path.c_str());
    struct stat info;
    if (os.empty() || ::stat(os.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return "The archive \"" + path + "\" is not a file.";
    return std::string();
}

// The real OS path of an existing folder; empty when it cannot be resolved.
std::string RealPath(const std::string& path) {
    const std::string os = Vek::File::ResolveOsPath(path.c_str());
    if (os.empty()) return std::string();
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(os.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// Is `inner` the folder `outer` or below it?
bool IsWithin(const std::string& inner, const std::string& outer) {
    if (inner.empty() || outer.empty()) return false;
    if (outer == "/") return true;
    return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                              inner[outer.size()] == '/');
}

// Takes one archive asset into "local": its files, then its configuration,
// then its record. False, with the folder gone and an error line, when any
// step fails. The caller holds the library's lock.
bool InstallArchiveAsset(AssetStore& store, const CdpAssetEntry& entry, ResultsLog* log) {
    const KUID kuid = entry.GetKUID();
    if (!entry.HasValidKUID() || !kuid.IsValid()) {
        Note(log, kSeverityError, KUID::Null(), "An asset of the archive names no KUID.");
        return false;
    }
    AssetRecord record;
    if (store.Find(kuid, record)) {
        Note(log, kSeverityError, kuid, "The asset is already in the database.");
        return false;
    }
    const std::string target = AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid);
    if (target.empty() || Vek::File::Exists(target.c_str())) {
        Note(log, kSeverityError, kuid, "A folder of the asset's name is already in the local location.");
        return false;
    }
    // The files and the configuration go into a staging folder first
    // (InstallStaging.h).
    const std::string staging = PrepareStagingFolder(kuid);
    Vek::PString error;
    if (staging.empty())
        error = Vek::PString("The asset's files could not be staged.");
    else
        ExtractArchiveFolder(error, entry.GetFiles(), Vek::PString(), staging.c_str(), entry.GetCompression());
    const SoupHandle config = MakeInstallConfig(entry);
    Vek::File::Path configPath(staging.c_str());
    configPath.AddPath("config.chump");
    if (error.IsEmpty() && !SaveSoupFile(config, Vek::PString(), configPath.c_str(), "chump"))
        error = Vek::PString("The configuration could not be written.");
    if (!error.IsEmpty()) {
        if (!staging.empty()) Vek::File::DeleteTree(staging.c_str());
        Note(log, kSeverityError, kuid, error.c_str());
        return false;
    }
    record = AssetRecord();
    record.kuid = kuid;
    record.installed = true;
    ReadConfigFacts(config, record);
    std::string failure;
    if (!CommitStagedInstall(store, record, staging, target, failure)) {
        Note(log, kSeverityError, kuid, failure);
        return false;
    }
    Note(log, kSeverityInformation, kuid, std::string("Installed ") + kuid.ToTagString().c_str() + ".");
    return true;
}

}  // namespace

KUID InstallAssetFolder(AssetLibrary& library, const std::string& folder, ResultsLog* log) {
    if (!IsAbsolute(folder) || !Vek::File::IsDirectory(folder.c_str())) {
        Note(log, kSeverityError, KUID::Null(), "The folder \"" + folder + "\" is not an absolute path to a folder.");
        return KUID::Null();
    }
    SoupHandle config;
    if (!LoadAssetConfig(folder, config)) {
        Note(log, kSeverityError, KUID::Null(), "The folder \"" + folder + "\" holds no readable configuration.");
        return KUID::Null();
    }
    const KUID kuid = ConfigKuid(config);
    if (kuid.IsNull() || !kuid.IsValid()) {
        Note(log, kSeverityError, KUID::Null(), "The configuration in \"" + folder + "\" names no asset.");
        return KUID::Null();
    }

    std::lock_guard<std::mutex> hold(library.Mutex());
    AssetStore& store = library.Store();
    AssetRecord record;
    if (store.Find(kuid, record)) {
        Note(log, kSeverityError, kuid, "The asset is already in the database.");
        return KUID::Null();
    }
    const std::string local = AssetLibrary::LocationFolder(AssetLibrary::kLocal);
    if (IsWithin(RealPath(local), RealPath(folder))) {
        Note(log, kSeverityError, kuid, "The folder holds the local location itself.");
        return KUID::Null();
    }
    const std::string target = AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid);
    if (target.empty() || Vek::File::Exists(target.c_str())) {
        Note(log, kSeverityError, kuid, "A folder of the asset's name is already in the local location.");
        return KUID::Null();
    }
    // The copy goes into a staging folder first (InstallStaging.h).
    const std::string staging = PrepareStagingFolder(kuid);
    if (staging.empty() || !CopyTreeBetweenRoots(Vek::PString(), folder.c_str(), Vek::PString(), staging.c_str())) {
        if (!staging.empty()) Vek::File::DeleteTree(staging.c_str());
        Note(log, kSeverityError, kuid, "The asset's files could not be copied.");
        return KUID::Null();
    }
    record = AssetRecord();
    record.kuid = kuid;
    record.installed = true;
    ReadConfigFacts(config, record);
    std::string failure;
    if (!CommitStagedInstall(store, record, staging, target, failure)) {
        Note(log, kSeverityError, kuid, failure);
        return KUID::Null();
    }
    Note(log, kSeverityInformation, kuid, std::string("Installed ") + kuid.ToTagString().c_str() + ".");
    return kuid;
}

int32_t InstallArchiveFile(AssetLibrary& library, const std::string& path, ResultsLog* log, bool& everything,
                           const std::function<void()>& assetDone) {
    everything = false;
    if (!IsAbsolute(path)) {
        Note(log, kSeverityError, KUID::Null(), "The archive \"" + path + "\" is not an absolute path.");
        return 0;
    }
    // A path that names no file is said to be that, not an archive that
    // does not read.
    const std::string notAFile = PathIsNoFile(path);
    if (!notAFile.empty()) {
        Note(log, kSeverityError, KUID::Null(), notAFile);
        return 0;
    }
    CdpArchive archive;
    Vek::PString error;
    archive.Load(error, Vek::PString(), path.c_str());
    if (!error.IsEmpty()) {
        Note(log, kSeverityError, KUID::Null(), error.c_str());
        return 0;
    }
    std::lock_guard<std::mutex> hold(library.Mutex());
    const int32_t count = archive.AssetCount();
    int32_t installed = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (InstallArchiveAsset(library.Store(), archive.GetAsset(i), log)) ++installed;
        if (assetDone) assetDone();
    }
    everything = installed == count;
    return installed;
}
