#include "vaddaemon/OperationDispatcher.h"

#include <memory>
#include <string>
#include <vector>

#include "assetdb/filters/FilterElementIO.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/Stream.h"
#include "vaddaemon/AssetExport.h"
#include "vaddaemon/AssetValidation.h"
#include "vaddaemon/AssetInfoWire.h"
#include "vaddaemon/AssetInstall.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/AssetSearch.h"
#include "vaddaemon/DaemonSettings.h"
#include "vaddaemon/FpxCandidates.h"
#include "vaddaemon/OperationCodes.h"
#include "vaddaemon/RepairJob.h"
#include "vaddaemon/UrlRequests.h"

namespace {

// What operation 253 answers: the build of the installation the daemon
// serves.
constexpr const char* kInstalledBuilds = "47059";

// The stream's string readers pad a text whose bytes run past the end; on
// the link that is a malformed payload, so the length is checked first and
// a bad one marks the payload with the past-the-end error.
bool StringFits(TStream& payload) {
    const int32_t at = payload.Tell();
    int32_t length = 0;
    if (!payload.ReadInt32(length, 0)) return false;
    payload.SetPosition(at);
    if (length >= 0 && length <= payload.Length() - at - 4) return true;
    payload.SetError(TStream::kErrorPastEnd);
    return false;
}

std::string ReadText(TStream& payload) {
    Vek::String text;
    if (StringFits(payload)) payload.ReadString(text);
    return text.c_str();
}

std::string ReadInterned(TStream& payload) {
    Vek::PString text;
    if (StringFits(payload)) payload.ReadPString(text);
    return text.c_str();
}

KUID ReadKuid(TStream& payload) {
    KUID kuid;
    payload.ReadKUID(kuid);
    return kuid;
}

int32_t ReadWord(TStream& payload) {
    int32_t value = 0;
    payload.ReadInt32(value, 0);
    return value;
}

bool ReadFlag(TStream& payload) {
    bool value = false;
    payload.ReadBool(value, false);
    return value;
}

int64_t ReadHandle(TStream& payload) {
    int64_t value = -1;
    payload.ReadInt64(value, -1);
    return value;
}

// A count of 8-byte KUIDs followed by them; false when the count is
// negative or more than the payload holds.
bool ReadKuidList(TStream& payload, std::vector<KUID>& kuids) {
    int32_t count = 0;
    if (!payload.ReadInt32(count, 0) || count < 0) return false;
    const int32_t left = payload.Length() - payload.Tell();
    if (count > left / 8) return false;
    kuids.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) kuids.push_back(ReadKuid(payload));
    return !payload.HasError();
}

// The payload could not be read, or bytes follow what the operation reads:
// either way it is malformed.
bool Malformed(TStream& payload) { return payload.HasError() || payload.Tell() != payload.Length(); }

void WriteKuidList(TStream& reply, const std::vector<KUID>& kuids) {
    reply.WriteInt32(static_cast<int32_t>(kuids.size()));
    for (const KUID& kuid : kuids) reply.WriteKUID(kuid);
}

// A location name (interned form) and a folder (plain form).
void WritePlace(TStream& reply, const AssetPlace& place) {
    reply.WritePString(place.location.c_str());
    reply.WriteString(place.folder.c_str());
}

void AddError(ResultsLog& log, const std::string& text) {
    constexpr int32_t kSeverityError = 3;
    log.AddEntry(kSeverityError, text.c_str());
}

void WriteInt16(TStream& reply, int16_t value) {
    reply.WriteByte(static_cast<uint8_t>(value));
    reply.WriteByte(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
}

}  // namespace

bool OperationDispatcher::Carry(int32_t op, TStream& payload, TStream& reply, OperationContext& context) {
    switch (op) {
        case Op::kGetAssetConfig:
        case Op::kGetAssetInfo:
        case Op::kGetSpecLocation:
        case Op::kResolveKuid:
        case Op::kGetLatestKuid:
        case Op::kGetAssetDescription:
        case Op::kGetAssetThumbnail:
        case Op::kCreateAsset:
        case Op::kDeleteAsset:
        case Op::kGetDependencyList:
        case Op::kGetAssetObsoletes:
        case Op::kSetAssetFavorite:
        case Op::kSetAssetKeywords:
        case Op::kGenerateKuid:
            return CarryAssetOperation(op, payload, reply, context);
        case Op::kOpenAsset:
        case Op::kCloseAssetHandle:
        case Op::kGetHandleLocation:
        case Op::kRevertAsset:
        case Op::kCommitAsset:
            return CarryHandleOperation(op, payload, reply, context);
        default:
            return CarryOtherOperation(op, payload, reply, context);
    }
}

bool OperationDispatcher::CarryAssetOperation(int32_t op, TStream& payload, TStream& reply,
                                              OperationContext& context) {
    switch (op) {
        case Op::kGetAssetConfig: {
            // The committed configuration; the form of no soup otherwise.
            const KUID kuid = ReadKuid(payload);
            if (Malformed(payload)) return false;
            SoupHandle config;
            if (!m_library.CommittedConfig(kuid, config)) config.Clear();
            WriteBinarySoup(reply, config);
            return true;
        }
        case Op::kGetAssetInfo: {
            // The detail mask is read and not used: the record is always whole.
            const KUID kuid = ReadKuid(payload);
            ReadWord(payload);
            if (Malformed(payload)) return false;
            WriteAssetInfo(reply, m_library.Info(kuid));
            return true;
        }
        case Op::kGetSpecLocation: {
            // Flag set: an asset that was never committed answers with its
            // working copy. Unknown: an empty location and folder.
            const KUID kuid = ReadKuid(payload);
            const bool includeEditing = ReadFlag(payload);
            if (Malformed(payload)) return false;
            AssetPlace place;
            m_library.SpecLocation(kuid, includeEditing, place);
            WritePlace(reply, place);
            return true;
        }
        case Op::kResolveKuid:
        case Op::kGetLatestKuid: {
            const KUID kuid = ReadKuid(payload);
            if (Malformed(payload)) return false;
            reply.WriteKUID(op == Op::kResolveKuid ? m_library.Resolve(kuid) : m_library.Latest(kuid));
            return true;
        }
        case Op::kGetAssetDescription: {
            const KUID kuid = ReadKuid(payload);
            if (Malformed(payload)) return false;
            reply.WriteString(m_library.Description(kuid).c_str());
            return true;
        }
        case Op::kGetAssetThumbnail: {
            // The location, the image's path inside it and the image's width;
            // without a thumbnail an empty location and path and 0.
            const KUID kuid = ReadKuid(payload);
            const int32_t size = ReadWord(payload);
            if (Malformed(payload)) return false;
            AssetPlace place;
            int32_t width = 0;
            if (!m_library.Thumbnail(kuid, size, place, width)) width = 0;
            WritePlace(reply, place);
            reply.WriteInt32(width);
            return true;
        }
        case Op::kCreateAsset: {
            // Flag bit 0: the folder gets a starter "config.txt" naming the
            // asset. The null KUID asks for a new KUID in the user's range.
            KUID kuid = ReadKuid(payload);
            const bool starter = ReadFlag(payload);
            const std::string name = ReadText(payload);
            if (Malformed(payload)) return false;
            AssetPlace place;
            std::string why;
            const int64_t handle = m_library.Create(kuid, starter, name, context.connection, place, &why);
            if (!why.empty()) AddError(context.log, why);
            reply.WriteInt64(handle);
            reply.WriteKUID(handle == AssetHandles::kNone ? KUID::Null() : kuid);
            WritePlace(reply, place);
            return true;
        }
        case Op::kDeleteAsset: {
            // Flag bit 0: an asset open for editing is deleted with its edits.
            const KUID kuid = ReadKuid(payload);
            const bool withEdits = ReadFlag(payload);
            if (Malformed(payload)) return false;
            reply.WriteByte(m_library.Delete(kuid, withEdits, &context.log) ? 1 : 0);
            return true;
        }
        case Op::kGetDependencyList: {
            std::vector<KUID> kuids;
            if (!ReadKuidList(payload, kuids) || Malformed(payload)) return false;
            WriteKuidList(reply, m_library.Dependencies(kuids));
            return true;
        }
        case Op::kGetAssetObsoletes: {
            const KUID kuid = ReadKuid(payload);
            if (Malformed(payload)) return false;
            WriteKuidList(reply, m_library.Obsoletes(kuid));
            return true;
        }
        case Op::kSetAssetFavorite: {
            const KUID kuid = ReadKuid(payload);
            const bool favourite = ReadFlag(payload);
            if (Malformed(payload)) return false;
            m_library.SetFavourite(kuid, favourite);
            return true;
        }
        case Op::kSetAssetKeywords: {
            const KUID kuid = ReadKuid(payload);
            const std::string keywords = ReadText(payload);
            if (Malformed(payload)) return false;
            m_library.SetKeywords(kuid, keywords);
            return true;
        }
        case Op::kGenerateKuid:
            // The request has no payload; one with bytes is malformed and
            // uses up no KUID.
            if (payload.Length() != 0) return false;
            {
                std::string why;
                reply.WriteKUID(m_library.GenerateKuid(&why));
                if (!why.empty()) AddError(context.log, why);
            }
            return true;
        default:
            return true;
    }
}

bool OperationDispatcher::CarryHandleOperation(int32_t op, TStream& payload, TStream& reply,
                                               OperationContext& context) {
    switch (op) {
        case Op::kOpenAsset: {
            const KUID kuid = ReadKuid(payload);
            const bool edit = ReadFlag(payload);
            if (Malformed(payload)) return false;
            AssetPlace place;
            const int64_t handle = m_library.OpenAsset(kuid, edit, context.connection, place, &context.log);
            reply.WriteInt64(handle);
            WritePlace(reply, place);
            return true;
        }
        case Op::kCloseAssetHandle: {
            const int64_t handle = ReadHandle(payload);
            if (Malformed(payload)) return false;
            m_library.CloseHandle(handle, context.connection);
            return true;
        }
        case Op::kGetHandleLocation: {
            const int64_t handle = ReadHandle(payload);
            if (Malformed(payload)) return false;
            AssetPlace place;
            m_library.HandleLocation(handle, context.connection, place);
            WritePlace(reply, place);
            return true;
        }
        case Op::kRevertAsset: {
            const int64_t handle = ReadHandle(payload);
            if (Malformed(payload)) return false;
            reply.WriteByte(m_library.Revert(handle, context.connection, &context.log) ? 1 : 0);
            return true;
        }
        case Op::kCommitAsset: {
            // The commit flags are read and not used. The second byte is 1
            // when an earlier committed copy was replaced (and kept in
            // "backups").
            const int64_t handle = ReadHandle(payload);
            ReadWord(payload);
            if (Malformed(payload)) return false;
            bool replaced = false;
            const bool ok = m_library.Commit(handle, context.connection, replaced, &context.log);
            reply.WriteByte(ok ? 1 : 0);
            reply.WriteByte(replaced ? 1 : 0);
            return true;
        }
        default:
            return true;
    }
}

bool OperationDispatcher::CarryOtherOperation(int32_t op, TStream& payload, TStream& reply,
                                              OperationContext& context) {
    switch (op) {
        case Op::kRepairStart: {
            const int32_t mode = ReadWord(payload);
            if (Malformed(payload)) return false;
            m_repair.Start(mode, context.laterLines);
            return true;
        }
        case Op::kSearchAssets: {
            // A tagged filter tree (AssetSearch.h); a tree that cannot be
            // read, or a null one, is a malformed payload.
            const std::unique_ptr<VADFilterElement> filter = ReadTaggedFilterElement(payload);
            if (!filter || Malformed(payload)) return false;
            WriteKuidList(reply, SearchAssets(m_library, *filter));
            return true;
        }
        case Op::kExportAssetSoup: {
            // No soup to give: an empty body, which the client reads as its
            // default soup (AssetExport.h).
            const KUID kuid = ReadKuid(payload);
            const int32_t mode = ReadWord(payload);
            if (Malformed(payload)) return false;
            SoupHandle soup;
            if (ExportAsset(m_library, kuid, mode, soup, &context.log)) WriteBinarySoup(reply, soup);
            return true;
        }
        case Op::kStartUrlRequest: {
            // The leading byte, the mode, the -1 and the soup are read and
            // not used: every URL is answered from the scenario's mapping.
            // The finished status follows the reply as a status notice.
            uint8_t leading = 0;
            payload.ReadByte(leading);
            const std::string url = ReadInterned(payload);
            ReadWord(payload);
            ReadWord(payload);
            SoupHandle extra;
            if (payload.HasError() || !ReadBinarySoup(extra, payload) || Malformed(payload)) return false;
            std::vector<uint8_t> notice;
            m_urls.Start(url, reply, notice);
            context.noticesAfterReply.emplace_back(Notice::kUrlStatus, std::move(notice));
            return true;
        }
        case Op::kUrlRequestStatus: {
            const int64_t handle = ReadHandle(payload);
            if (Malformed(payload)) return false;
            m_urls.Status(handle, reply);
            return true;
        }
        case Op::kReleaseUrlRequest: {
            const int64_t handle = ReadHandle(payload);
            if (Malformed(payload)) return false;
            m_urls.Release(handle);
            return true;
        }
        case Op::kDownloadServiceInstall: {
            // Each candidate: KUID "requires", KUID "latest-version", int32
            // size; only the latest version decides (FpxCandidates.h).
            int32_t count = 0;
            if (!payload.ReadInt32(count, 0) || count < 0 || count > (payload.Length() - payload.Tell()) / 20)
                return false;
            std::vector<KUID> latest;
            latest.reserve(static_cast<std::size_t>(count));
            for (int32_t i = 0; i < count; ++i) {
                ReadKuid(payload);
                latest.push_back(ReadKuid(payload));
                ReadWord(payload);
            }
            if (Malformed(payload)) return false;
            const std::vector<int32_t> chosen = ChooseFpxCandidates(m_library, latest);
            reply.WriteInt32(static_cast<int32_t>(chosen.size()));
            for (int32_t entry : chosen) reply.WriteInt32(entry);
            return true;
        }
        case Op::kInstallArchiveFile: {
            // The flags and the prompt-handler byte are read and not used
            // (nothing is replaced, so there is nothing to ask). The reply
            // is the number of assets installed when that is every asset of
            // the archive, else 0 (the install was not done as asked, and
            // the client takes a non-zero result as success), and a byte
            // that is 1 when every asset was installed.
            const std::string path = ReadText(payload);
            ReadWord(payload);
            ReadFlag(payload);
            if (Malformed(payload)) return false;
            bool everything = false;
            // Each asset's line goes to the requester as soon as it is done,
            // so a long install shows its progress and a lost link leaves
            // the record of what was installed.
            const int32_t installed = InstallArchiveFile(m_library, path, &context.log, everything, context.sendLines);
            reply.WriteInt32(everything ? installed : 0);
            reply.WriteByte(everything ? 1 : 0);
            return true;
        }
        case Op::kValidateAssetFolder: {
            const std::string location = ReadInterned(payload);
            const std::string folder = ReadText(payload);
            if (Malformed(payload)) return false;
            // 1 when the validation job ran, whatever it found (AssetValidation.h).
            reply.WriteByte(ValidateAssetFolder(m_hosts, location, folder, context.log) ? 1 : 0);
            return true;
        }
        case Op::kInstallFromFolder: {
            // The flags and the prompt-handler byte are read and not used:
            // an asset already known is refused, never replaced, so there is
            // nothing to ask. The byte is 1 when the asset was installed.
            const std::string folder = ReadText(payload);
            ReadWord(payload);
            ReadFlag(payload);
            if (Malformed(payload)) return false;
            const KUID installed = InstallAssetFolder(m_library, folder, &context.log);
            reply.WriteKUID(installed);
            reply.WriteByte(installed.IsNull() ? 0 : 1);
            return true;
        }
        case Op::kRepairProgress: {
            const RepairJob::Progress progress = m_repair.GetProgress();
            reply.WriteByte(progress.running ? 1 : 0);
            reply.WriteFloat(progress.fraction);
            reply.WriteString(progress.status.c_str());
            return true;
        }
        case Op::kUserNameLookup: {
            // No second id is kept: it is always -1.
            const int32_t user = ReadWord(payload);
            if (Malformed(payload)) return false;
            reply.WriteInt32(-1);
            reply.WritePString(m_settings.UserName(user).c_str());
            return true;
        }
        case Op::kReadSettings: {
            const std::string name = ReadInterned(payload);
            if (Malformed(payload)) return false;
            m_settings.Read(name, reply);
            return true;
        }
        case Op::kWriteSettings: {
            // The reply is one byte: 1 when the soup was stored, else 0 with
            // the store's reason as an error line.
            const std::string name = ReadInterned(payload);
            if (payload.HasError()) return false;
            std::string error;
            const DaemonSettings::WriteResult written = m_settings.Write(name, payload, error);
            if (written == DaemonSettings::WriteResult::kMalformed) return false;
            if (written == DaemonSettings::WriteResult::kNotStored)
                AddError(context.log, "The settings \"" + name + "\" could not be stored: " + error + ".");
            reply.WriteByte(written == DaemonSettings::WriteResult::kStored ? 1 : 0);
            return true;
        }
        case Op::kGetSettingValue: {
            const std::string name = ReadInterned(payload);
            const std::string key = ReadInterned(payload);
            if (Malformed(payload)) return false;
            reply.WritePString(m_settings.Value(name, key).c_str());
            return true;
        }
        case Op::kLocalDataRead: {
            const KUID kuid = ReadKuid(payload);
            const std::string key = ReadInterned(payload);
            if (Malformed(payload)) return false;
            m_settings.ReadLocalData(kuid, key, reply);
            return true;
        }
        case Op::kLocalDataWrite: {
            const KUID kuid = ReadKuid(payload);
            const std::string key = ReadInterned(payload);
            if (payload.HasError()) return false;
            return m_settings.WriteLocalData(kuid, key, payload);
        }
        case Op::kIsCudaCompressionDisabled:
            // There is no GPU here.
            reply.WriteByte(1);
            return true;
        case Op::kIsReady:
            // Ready unless a repair holds the database.
            reply.WriteByte(m_repair.IsRunning() ? 0 : 1);
            return true;
        case Op::kOnlineProfile:
            // The profile name is the user name of the "internet" settings;
            // the other fields are empty.
            reply.WriteString(m_settings.Value("internet", "username").c_str());
            reply.WriteString("");
            reply.WriteString("");
            WriteInt16(reply, 0);
            reply.WriteString("");
            WriteInt16(reply, 0);
            return true;
        case Op::kOnlineText:
            // No online sign-in: no token.
            reply.WriteString("");
            return true;
        case Op::kGetInstalledBuilds:
            reply.WritePString(kInstalledBuilds);
            return true;
        default:
            // Keep-alive, readiness requests, one-way messages and the
            // operations of other parts of the stand-in: an empty reply (for
            // a request) and nothing else.
            return true;
    }
}
