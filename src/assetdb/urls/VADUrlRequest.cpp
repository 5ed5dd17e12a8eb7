#include "assetdb/urls/VADUrlRequest.h"

#include "assetdb/client/VADSendRequest.h"
#include "assetdb/requests/VADOperations.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"

VADUrlRequest::VADUrlRequest(int64_t handle, const URLRecord& url) : m_handle(handle), m_url(url) {
    if (handle == -1) FinishWithoutResult();
}

VADUrlRequest::~VADUrlRequest() { Release(); }

void VADUrlRequest::FinishWithoutResult() {
    Vek::SingleLock hold(VADUrlRequestLock());
    if (m_finished) return;
    m_statusKnown = true;
    m_finished = true;
    m_resultCode = 0;
}

void VADUrlRequest::Release() {
    if (m_released) return;
    m_released = true;
    TBuffer payload;
    payload.WriteInt64(m_handle);
    payload.Rewind();
    VADPostMessage(kVADOpReleaseUrlRequest, payload);
    UnregisterVADUrlRequest(this);
    Vek::SingleLock hold(VADUrlRequestLock());
    m_resultText = Vek::PString();
}

void VADUrlRequest::Snapshot(VADUrlRequestStatus& status) const {
    status.finished = m_finished;
    status.resultCode = m_resultCode;
    status.secondValue = m_secondValue;
    status.thirdValue = m_thirdValue;
    status.resultFile = m_resultFile;
    status.resultText = m_resultText;
}

void VADUrlRequest::GetStatus(VADUrlRequestStatus& status) {
    {
        Vek::SingleLock hold(VADUrlRequestLock());
        if (m_finished) {
            Snapshot(status);
            return;
        }
    }
    TBuffer request;
    TBuffer reply;
    request.WriteInt64(m_handle);
    request.Rewind();
    if (VADSendRequest(kVADOpUrlRequestStatus, request, reply)) {
        reply.Rewind();
        ReadUrlRequestStatus(reply, *this);
    } else {
        // Without an answer the request could be polled for ever.
        FinishWithoutResult();
    }
    Vek::SingleLock hold(VADUrlRequestLock());
    Snapshot(status);
}

int32_t VADUrlRequest::GetResultCode() {
    VADUrlRequestStatus status;
    GetStatus(status);
    return status.resultCode;
}

bool VADUrlRequest::GetResultFile(Vek::File::Path& file, Vek::PString& text) {
    VADUrlRequestStatus status;
    GetStatus(status);
    file = status.resultFile;
    text = status.resultText;
    return !file.IsEmpty();
}

bool VADUrlRequest::IsComplete() {
    {
        Vek::SingleLock hold(VADUrlRequestLock());
        if (m_statusKnown) return m_finished;
    }
    VADUrlRequestStatus status;
    GetStatus(status);
    return status.finished;
}

uint32_t VADUrlRequest::GetStatusCount() const {
    Vek::SingleLock hold(VADUrlRequestLock());
    return m_statusCount;
}

void ReadUrlRequestStatus(TStream& stream, VADUrlRequest& request) {
    uint8_t finished = 1;
    int32_t resultCode = 0;
    int32_t secondValue = 0;
    int32_t thirdValue = 0;
    Vek::String file;
    Vek::PString text;
    stream.ReadByte(finished, 1);
    stream.ReadInt32(resultCode);
    stream.ReadInt32(secondValue);
    stream.ReadInt32(thirdValue);
    stream.ReadString(file);
    stream.ReadPString(text);

    Vek::SingleLock hold(VADUrlRequestLock());
    request.m_statusKnown = true;
    ++request.m_statusCount;
    if (request.m_finished) return;
    request.m_finished = finished != 0;
    request.m_resultCode = resultCode;
    request.m_secondValue = secondValue;
    request.m_thirdValue = thirdValue;
    request.m_resultFile = file.c_str();
    request.m_resultText = text;
}

VADUrlRequest* VADStartUrlRequest(const URLRecord& url, int32_t mode) {
    TBuffer request;
    TBuffer reply;
    request.WriteByte(0);
    request.WritePString(url.Format());
    request.WriteInt32(mode);
    request.WriteInt32(-1);
    WriteBinarySoup(request, SoupHandle());
    request.Rewind();

    int64_t handle = -1;
    const bool sent = VADSendRequest(kVADOpStartUrlRequest, request, reply);
    if (sent) {
        reply.Rewind();
        reply.ReadInt64(handle, -1);
    }
    VADUrlRequest* record = new VADUrlRequest(sent ? handle : -1, url);
    // The reply's status first: a later status that came before the
    // registration is applied by it.
    if (record->GetHandle() != -1) ReadUrlRequestStatus(reply, *record);
    RegisterVADUrlRequest(record);
    return record;
}
