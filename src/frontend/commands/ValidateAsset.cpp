#include "frontend/commands/ValidateAsset.h"

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADValidateAssetFolder.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/properties/PropertyRef.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"
#include "tetlib/container/BuildNumbers.h"

namespace {

// Builds from 2.70 on are validated.
constexpr int kLastObsoleteBuild = 269;

}  // namespace

bool ValidateAsset(const KUID& asset, ResultsLog& log) {
    VADAssetHandle handle = VADOpenAsset(asset, false, &log);
    if (!handle.IsValid()) return false;
    Vek::PString location;
    Vek::File::Path folder;
    if (!handle.GetLocation(location, folder)) return false;

    log.PushContextProperty(PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("AssetID"), asset)));
    VADAssetInfo info;
    VADGetAssetInfo(asset, info, -1);
    bool lookedAt = true;
    // Saturated: a build of 1e30 or infinity is no obsolete one.
    if (TETLib::BuildCodeTruncated(info.build) > kLastObsoleteBuild) {
        lookedAt = VADValidateAssetFolder(location, folder, &log) != 0;
    } else {
        SoupHandle parameters;
        parameters.SetString(Vek::PString("asset_kuid"), asset.ToTagString().c_str());
        parameters.SetString(Vek::PString("lowest_vorlexbuild"), "2.7");
        log.AddEntry(ResultsLogEntry::kError, PropertyRef(), GetLocalisedText("$vad_upload_asset_obsolete"),
                     parameters);
    }
    log.PopContextProperty();
    return lookedAt;
}

int32_t RunValidateWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing AssetID parameter.");
        return -1;
    }
    return ValidateAsset(args.StrictKuid(), args.log) ? 0 : -1;
}
