#include "frontend/commands/Keywords.h"

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/files/ReplacementFile.h"
#include "assetdb/requests/VADAssetMarks.h"
#include "assetdb/requests/VADSearchAssets.h"
#include "engine/AnsiString.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "frontend/commands/CommandPaths.h"

namespace {

constexpr const char* kTextForm = "txt";

void AddFileError(ResultsLog& log, const char* format, const char* file) {
    Vek::String text;
    text.Format(format, file);
    log.AddEntry(ResultsLogEntry::kError, text.c_str());
}

}  // namespace

bool BackupKeywords(const char* folder, const char* fileName, const char* extension) {
    const VADFilterElementGroup everything;
    VADKuidList found;
    if (!VADSearchAssets(&everything, found)) return false;
    SoupHandle keywords;
    keywords.EnsureContainer();
    // Every asset's keywords or no backup: a record that did not come would
    // save as an asset without keywords.
    for (auto it = found.Begin(); it; ++it) {
        VADAssetInfo info;
        if (!VADGetAssetInfo(*it, info, 4)) return false;
        keywords.SetString(it->ToTagString(), info.keywords.c_str());
    }
    const Vek::File::Path path = JoinToFolder(folder ? folder : "", fileName);
    // Saved beside the file and renamed over it when whole: a failed save
    // leaves an earlier backup as it was.
    ReplacementFile file(path.c_str());
    return file.Open() && SaveSoupFile(keywords, Vek::PString(), file.TemporaryPath().c_str(), extension) &&
           file.Commit();
}

bool ImportKeywords(const char* folder, const char* fileName, const char* extension) {
    const Vek::File::Path path = JoinToFolder(folder ? folder : "", fileName);
    SoupHandle keywords;
    if (!LoadSoupFile(keywords, Vek::PString(), path.c_str(), extension)) return false;
    const int32_t count = keywords.Count();
    for (int32_t i = 0; i < count; ++i) {
        const Vek::PString name = keywords.GetTagName(i);
        VADSetAssetKeywords(KUID::Parse(name.c_str(), false), Vek::String(keywords.GetString(name).c_str()));
    }
    return true;
}

int32_t RunBackupKeywordsWord(CommandArguments& args) {
    const char* file = args.a.empty() ? kKeywordsBackupFile : args.a.c_str();
    if (!BackupKeywords("", file, kTextForm)) {
        AddFileError(args.log, "Unable to save the keywords to %s.", file);
        return -1;
    }
    return 0;
}

int32_t RunImportKeywordsWord(CommandArguments& args) {
    const Vek::File::Path folder = GetInstallationPath();
    if (!ImportKeywords(folder.c_str(), kKeywordsDumpFile, kTextForm)) {
        // Named as the file system shows it, not in the program's normalised form.
        const Vek::File::Path path = JoinToFolder(folder.Str(), kKeywordsDumpFile);
        AddFileError(args.log, "Unable to read %s.", Vek::File::ResolveOsPath(path.c_str()).c_str());
        return -1;
    }
    return 0;
}
