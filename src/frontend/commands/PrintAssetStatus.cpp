#include "frontend/commands/PrintAssetStatus.h"

#include <cstdio>

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/assetinfo/VADAssetInfoAccessors.h"

namespace {

char Letter(char upper, bool set) { return set ? upper : static_cast<char>(upper - 'A' + 'a'); }

// The seven letters of an info record's flags and the two further answers.
void FormatAssetStatusFlags(char letters[8], uint8_t statusA, uint8_t statusB, bool missingDependencies,
                            bool faulty) {
    letters[0] = Letter('E', (statusB & VADAssetInfo::kOpenForEdit) != 0);
    letters[1] = Letter('I', (statusA & VADAssetInfo::kInstalled) != 0);
    letters[2] = Letter('A', (statusA & VADAssetInfo::kArchived) != 0);
    letters[3] = Letter('D', (statusA & VADAssetInfo::kOnDownloadService) != 0);
    letters[4] = Letter('L', (statusA & VADAssetInfo::kLocallyModified) != 0);
    letters[5] = Letter('M', missingDependencies);
    letters[6] = Letter('F', faulty);
    letters[7] = '\0';
}

}  // namespace

bool PrintAssetStatus(const KUID& asset, ResultsLog& log) {
    VADAssetInfo info;
    if (!VADGetAssetInfo(asset, info, -1)) {
        AddAssetError(log, "Unknown AssetID.", asset);
        return false;
    }
    char letters[8];
    FormatAssetStatusFlags(letters, info.statusA, info.statusB, VADHasMissingDependencies(asset, false),
                           VADIsAssetFaulty(asset));
    std::printf("+ %s : %s : %s : %s\n", asset.ToTagString().c_str(), letters, info.categoryClass.c_str(),
                info.displayName.c_str());
    return true;
}

int32_t RunStatusWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing AssetID parameter.");
        return -1;
    }
    return PrintAssetStatus(args.StrictKuid(), args.log) ? 0 : -1;
}
