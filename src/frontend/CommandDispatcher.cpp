#include "frontend/CommandDispatcher.h"

#include <cstring>
#include <string>

#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/Startup.h"
#include "frontend/commands/AssetEditWords.h"
#include "frontend/commands/AssetQueryWords.h"
#include "frontend/commands/CloseVADDaemon.h"
#include "frontend/commands/CommandArguments.h"
#include "frontend/commands/CommandHostWord.h"
#include "frontend/commands/CompressTexture.h"
#include "frontend/commands/CreateCdpWord.h"
#include "frontend/commands/FpxWords.h"
#include "frontend/commands/ImportConsists.h"
#include "frontend/commands/InstallWords.h"
#include "frontend/commands/Keywords.h"
#include "frontend/commands/ListAuthors.h"
#include "frontend/commands/PrintAssetStatus.h"
#include "frontend/commands/RegisterAccount.h"
#include "frontend/commands/RepairDatabase.h"
#include "frontend/commands/ScriptWords.h"
#include "frontend/commands/SearchByCategory.h"
#include "frontend/commands/ValidateAsset.h"
#include "frontend/commands/VersionWords.h"

namespace {

struct CommandWord {
    const char* word;
    // The word matches only with at least this many arguments (argv[0]
    // and the word included).
    int minimumArgc;
    CommandWordHandler handler;
};

// In the dispatcher's order.
constexpr CommandWord kCommandWords[] = {
    {"version", 2, RunVersionWord},
    {"installedversionlo", 2, RunInstalledVersionLoWord},
    {"installedversionhi", 2, RunInstalledVersionHiWord},
    {"installedbuildnumberlo", 2, RunInstalledBuildNumberLoWord},
    {"installedbuildnumberhi", 2, RunInstalledBuildNumberHiWord},
    {"echo", 2, RunEchoWord},
    {"installedversion", 2, RunInstalledVersionWord},
    {"installedbuildnumber", 2, RunInstalledBuildNumberWord},
    {"registeraccount", 4, RunRegisterAccountWord},
    {"closevaddaemon", 2, RunCloseVADDaemonWord},
    {"installcdp", 2, RunInstallCdpWord},
    {"installfrompath", 2, RunInstallFromPathWord},
    {"installfromfpx", 2, RunInstallFromFpxWord},
    {"importconsists", 2, RunImportConsistsWord},
    {"edit", 2, RunEditWord},
    {"printconfig", 2, RunPrintConfigWord},
    {"compile", 2, RunCompileWord},
    {"vadcommandhost", 2, RunCommandHostWord},
    {"encrypt", 2, RunEncryptWord},
    {"listbuilds", 2, RunListBuildsWord},
    {"commit", 2, RunCommitWord},
    {"revert", 2, RunRevertWord},
    {"delete", 2, RunDeleteWord},
    {"generatekuid", 2, RunGenerateKuidWord},
    {"repairdatabase", 2, RunRepairDatabaseWord},
    {"compresstexture", 2, RunCompressTextureWord},
    {"authors", 2, RunAuthorsWord},
    {"searchbycategory", 2, RunSearchByCategoryWord},
    {"status", 2, RunStatusWord},
    {"validate", 2, RunValidateWord},
    {"createcdp", 2, RunCreateCdpWord},
    {"fpxparse", 2, RunFpxParseWord},
    {"fpxdeleteall", 2, RunFpxDeleteAllWord},
    {"backupkeywords", 2, RunBackupKeywordsWord},
    {"importkeywords", 2, RunImportKeywordsWord},
};

std::string LowerCased(const char* text) {
    std::string lower = text ? text : "";
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

}  // namespace

int32_t DispatchCommand(ResultsLog& log, StartupContext& context, int argc, char** argv) {
    return DispatchCommandFrom(GetStartupDirectory(), log, context, argc, argv);
}

int32_t DispatchCommandFrom(const std::string& startupDirectory, ResultsLog& log, StartupContext& context, int argc,
                            char** argv) {
    const std::string word = LowerCased(argc >= 2 ? argv[1] : "");
    for (const CommandWord& entry : kCommandWords) {
        if (argc < entry.minimumArgc || word != entry.word) continue;
        CommandArguments args(log, context, argc, argv, startupDirectory);
        // Requests that failed on the link (lost, silent, empty reply) fail
        // the word, whatever the word made of their failure values. A daemon
        // held silent by an earlier word is asked again.
        VADTakeRequestFailures();
        VADClearSilentDaemon();
        int32_t result = entry.handler(args);
        for (const std::string& failure : VADTakeRequestFailures()) {
            log.AddEntry(ResultsLogEntry::kError, failure.c_str());
            if (result == 0) result = -1;
        }
        return result;
    }
    log.AddEntry(ResultsLogEntry::kError, "Invalid argument, please check the help for the list of valid argument\n");
    return -1;
}
