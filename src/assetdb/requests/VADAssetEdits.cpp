#include "assetdb/requests/VADAssetEdits.h"

#include "assetdb/client/VADSpecRegistryHooks.h"
#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

uint8_t VADRevertAsset(VADAssetHandle handle, ResultsLog* log) {
    VADAssetHandleRecord* record = handle.GetRecord();
    if (!record) return 0;
    VADRequestBuffers buffers;
    buffers.request.WriteInt64(record->daemonHandle);
    uint8_t ok = 0;
    if (buffers.Send(kVADOpRevertAsset, log)) buffers.reply.ReadByte(ok);
    record->folderKnown = false;
    handle.Release();
    return ok;
}

uint8_t VADCommitAsset(VADAssetHandle& handle, int32_t flags, ResultsLog* log, uint8_t& second) {
    VADAssetHandleRecord* record = handle.GetRecord();
    if (!record) return 0;
    VADRequestBuffers buffers;
    buffers.request.WriteInt64(record->daemonHandle);
    buffers.request.WriteInt32(flags);
    uint8_t ok = 0;
    if (buffers.Send(kVADOpCommitAsset, log)) {
        buffers.reply.ReadByte(ok);
        buffers.reply.ReadByte(second);
    }
    record->folderKnown = false;
    if (ok) {
        handle.ClearEditFlag();
        VADDiscardCachedSpec(record->asset);
    }
    return ok;
}

uint8_t VADDeleteAsset(const KUID& asset, uint8_t flag, ResultsLog* log) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteByte(flag);
    uint8_t ok = 0;
    if (buffers.Send(kVADOpDeleteAsset, log)) buffers.reply.ReadByte(ok);
    if (ok) VADDiscardCachedSpec(asset);
    return ok;
}
