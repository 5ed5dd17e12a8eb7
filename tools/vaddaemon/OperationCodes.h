#pragma once
// The operation codes of the daemon link, as the stand-in knows them.
#include <cstdint>

namespace Op {

constexpr int32_t kKeepAlive = 0;
constexpr int32_t kSearchAssets = 2;
constexpr int32_t kRepairStart = 3;
constexpr int32_t kRepairProgress = 4;
constexpr int32_t kGetAssetConfig = 20;
constexpr int32_t kGetAssetInfo = 21;
constexpr int32_t kGetSpecLocation = 23;
constexpr int32_t kResolveKuid = 26;
constexpr int32_t kGetLatestKuid = 27;
constexpr int32_t kGetAssetDescription = 28;
constexpr int32_t kGetAssetThumbnail = 29;
constexpr int32_t kOpenAsset = 30;
constexpr int32_t kCloseAssetHandle = 31;
constexpr int32_t kGetHandleLocation = 32;
constexpr int32_t kRevertAsset = 33;
constexpr int32_t kCommitAsset = 34;
constexpr int32_t kCreateAsset = 35;
constexpr int32_t kDeleteAsset = 36;
constexpr int32_t kValidateAssetFolder = 38;
constexpr int32_t kInstallFromFolder = 39;
constexpr int32_t kInstallArchiveFile = 40;
constexpr int32_t kGetDependencyList = 42;
constexpr int32_t kGetAssetObsoletes = 43;
constexpr int32_t kExportAssetSoup = 48;
constexpr int32_t kSetAssetFavorite = 50;
constexpr int32_t kSetAssetKeywords = 54;
constexpr int32_t kGenerateKuid = 58;
constexpr int32_t kDownloadServiceInstall = 74;
constexpr int32_t kUserNameLookup = 90;
constexpr int32_t kReadSettings = 100;
constexpr int32_t kWriteSettings = 101;
constexpr int32_t kGetSettingValue = 102;
constexpr int32_t kLocalDataRead = 121;
constexpr int32_t kLocalDataWrite = 122;
constexpr int32_t kCommandHostRegister = 140;
constexpr int32_t kCommandHostJobReply = 141;
constexpr int32_t kQuestionAnswer = 150;
constexpr int32_t kIsCudaCompressionDisabled = 181;
constexpr int32_t kStartUrlRequest = 230;
constexpr int32_t kReleaseUrlRequest = 231;
constexpr int32_t kUrlRequestStatus = 232;
constexpr int32_t kRequestReady = 235;
constexpr int32_t kIsReady = 236;
constexpr int32_t kOnlineProfile = 240;
constexpr int32_t kOnlineNotice = 241;
constexpr int32_t kOnlineText = 242;
constexpr int32_t kGetInstalledBuilds = 253;
constexpr int32_t kPatcherRepairDone = 256;
constexpr int32_t kShutdownDaemon = 270;

}  // namespace Op

// Notice types the daemon sends.
namespace Notice {

constexpr int32_t kStatus = 0;
constexpr int32_t kCommandHostJob = 1;
constexpr int32_t kQuestion = 2;
constexpr int32_t kLogLines = 3;
constexpr int32_t kUrlStatus = 4;

}  // namespace Notice
