#include "assetdb/requests/VADAssetHandle.h"

#include <utility>

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

VADAssetHandle::VADAssetHandle(const VADAssetHandle& other) : m_record(other.m_record), m_edit(other.m_edit) {
    if (m_record) ++m_record->references;
}

VADAssetHandle::VADAssetHandle(VADAssetHandle&& other) noexcept : m_record(other.m_record), m_edit(other.m_edit) {
    other.m_record = nullptr;
    other.m_edit = false;
}

VADAssetHandle& VADAssetHandle::operator=(const VADAssetHandle& other) {
    if (other.m_record) ++other.m_record->references;
    const bool edit = other.m_edit;
    VADAssetHandleRecord* record = other.m_record;
    Release();
    m_record = record;
    m_edit = edit;
    return *this;
}

VADAssetHandle& VADAssetHandle::operator=(VADAssetHandle&& other) noexcept {
    if (this != &other) {
        Release();
        m_record = std::exchange(other.m_record, nullptr);
        m_edit = std::exchange(other.m_edit, false);
    }
    return *this;
}

void VADAssetHandle::Release() {
    VADAssetHandleRecord* record = std::exchange(m_record, nullptr);
    m_edit = false;
    if (!record || --record->references > 0) return;
    VADCloseAssetHandle(record->daemonHandle);
    delete record;
}

bool VADAssetHandle::GetLocation(Vek::PString& location, Vek::File::Path& folder) {
    if (m_record && !m_record->folderKnown) {
        VADRequestBuffers buffers;
        buffers.request.WriteInt64(m_record->daemonHandle);
        if (buffers.Send(kVADOpGetHandleLocation)) {
            Vek::String path;
            buffers.reply.ReadPString(m_record->location);
            buffers.reply.ReadString(path);
            m_record->folder = path.c_str();
            m_record->folderKnown = true;
        }
    }
    if (m_record && m_record->folderKnown && !m_record->folder.IsEmpty()) {
        location = m_record->location;
        folder = m_record->folder;
        return true;
    }
    location = Vek::PString();
    folder.Clear();
    return false;
}

namespace {

// The handle, location and folder that follow in an open or create reply;
// null when the handle is -1.
VADAssetHandleRecord* ReadHandleRecord(TStream& reply, int64_t handle, const KUID& asset) {
    if (handle == -1) return nullptr;
    auto* record = new VADAssetHandleRecord;
    Vek::String path;
    record->daemonHandle = handle;
    record->asset = asset;
    reply.ReadPString(record->location);
    reply.ReadString(path);
    record->folder = path.c_str();
    record->folderKnown = true;
    return record;
}

}  // namespace

VADAssetHandle VADOpenAsset(const KUID& asset, bool edit, ResultsLog* log) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteByte(edit ? 1 : 0);
    if (!buffers.Send(kVADOpOpenAsset, log)) return VADAssetHandle();
    int64_t handle = -1;
    buffers.reply.ReadInt64(handle, -1);
    VADAssetHandleRecord* record = ReadHandleRecord(buffers.reply, handle, asset);
    return record ? VADAssetHandle(record, edit) : VADAssetHandle();
}

VADAssetHandle VADCreateAsset(const KUID& asset, uint8_t flag, const Vek::String& name, ResultsLog* log) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteByte(flag);
    buffers.request.WriteString(name);
    if (!buffers.Send(kVADOpCreateAsset, log)) return VADAssetHandle();
    int64_t handle = -1;
    KUID created;
    buffers.reply.ReadInt64(handle, -1);
    if (handle == -1) return VADAssetHandle();
    buffers.reply.ReadKUID(created);
    VADAssetHandleRecord* record = ReadHandleRecord(buffers.reply, handle, created);
    return VADAssetHandle(record, true);
}

void VADCloseAssetHandle(int64_t daemonHandle) {
    VADRequestBuffers buffers;
    buffers.request.WriteInt64(daemonHandle);
    buffers.Send(kVADOpCloseAssetHandle);
}
