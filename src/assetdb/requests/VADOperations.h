#pragma once
// The operation codes of the daemon link: the first word of every frame the
// client sends. Requests carry a transaction id and get a reply; one-way
// messages carry the id 0 and get none. Each code's payload and reply are
// given with the function that sends it.
#include <cstdint>

enum VADOperation : int32_t {
    kVADOpKeepAlive = 0,                // request: empty; reply ignored
    kVADOpSearchAssets = 2,             // request
    kVADOpRepairStart = 3,              // request, log kept
    kVADOpRepairProgress = 4,           // request
    kVADOpGetAssetConfig = 20,          // request
    kVADOpGetAssetInfo = 21,            // request
    kVADOpGetSpecLocation = 23,         // request
    kVADOpResolveKuid = 26,             // request
    kVADOpGetLatestKuid = 27,           // request
    kVADOpGetAssetDescription = 28,     // request
    kVADOpGetAssetThumbnail = 29,       // request
    kVADOpOpenAsset = 30,               // request, log
    kVADOpCloseAssetHandle = 31,        // request
    kVADOpGetHandleLocation = 32,       // request
    kVADOpRevertAsset = 33,             // request, log
    kVADOpCommitAsset = 34,             // request, log
    kVADOpCreateAsset = 35,             // request
    kVADOpDeleteAsset = 36,             // request, log
    kVADOpValidateAssetFolder = 38,     // request, log
    kVADOpInstallFromFolder = 39,       // request, log, questions
    kVADOpInstallArchiveFile = 40,      // request, log, questions
    kVADOpGetDependencyList = 42,       // request
    kVADOpGetAssetObsoletes = 43,       // request
    kVADOpExportAssetSoup = 48,         // request, log
    kVADOpSetAssetFavorite = 50,        // one-way
    kVADOpSetAssetKeywords = 54,        // one-way
    kVADOpGenerateKuid = 58,            // request
    kVADOpFpxCandidates = 74,           // request
    kVADOpLookupUserName = 90,          // request
    kVADOpReadSettings = 100,           // request
    kVADOpWriteSettings = 101,          // request
    kVADOpGetSettingValue = 102,        // request
    kVADOpOnlineReadLocalData = 121,    // request
    kVADOpOnlineWriteLocalData = 122,   // one-way
    kVADOpRegisterCommandHost = 140,    // one-way
    kVADOpCommandHostJobReply = 141,    // one-way
    kVADOpQuestionAnswer = 150,         // one-way
    kVADOpIsCudaCompressionDisabled = 181,  // request
    kVADOpStartUrlRequest = 230,        // request
    kVADOpReleaseUrlRequest = 231,      // one-way
    kVADOpUrlRequestStatus = 232,       // request
    kVADOpRequestReady = 235,           // request
    kVADOpIsReady = 236,                // request
    kVADOpOnlineProfile = 240,          // request
    kVADOpOnlineNotice = 241,           // one-way
    kVADOpOnlineText = 242,             // request
    kVADOpGetInstalledBuilds = 253,     // request
    kVADOpPatcherRepairDone = 256,      // one-way
    kVADOpShutdownDaemon = 270,         // request
};
