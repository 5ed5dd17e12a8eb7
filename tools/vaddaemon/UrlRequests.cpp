#include "vaddaemon/UrlRequests.h"

#include "foundation/streams/BufferStream.h"
#include "foundation/streams/Stream.h"

namespace {

constexpr int32_t kNotFound = 404;

}  // namespace

void UrlRequests::WriteStatus(TStream& stream, bool finished, const Result& result) {
    stream.WriteByte(finished ? 1 : 0);
    stream.WriteInt32(finished ? result.code : 0);
    stream.WriteInt32(0);
    stream.WriteInt32(0);
    stream.WriteString(finished ? result.file.c_str() : "");
    stream.WritePString(finished ? result.location.c_str() : "");
}

int64_t UrlRequests::Start(const std::string& url, TStream& reply, std::vector<uint8_t>& notice) {
    Result result;
    result.code = kNotFound;
    for (const UrlMapping& mapping : m_mappings) {
        if (mapping.url == url) {
            result.code = mapping.code;
            result.file = mapping.file;
            result.location = mapping.location;
            break;
        }
    }
    std::lock_guard<std::mutex> hold(m_lock);
    const int64_t handle = m_next++;
    m_requests[handle] = result;
    reply.WriteInt64(handle);
    WriteStatus(reply, false, result);
    TBuffer finished;
    finished.WriteInt64(handle);
    WriteStatus(finished, true, result);
    notice.assign(finished.GetData(), finished.GetData() + finished.GetDataSize());
    return handle;
}

void UrlRequests::Status(int64_t handle, TStream& reply) {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto it = m_requests.find(handle);
    WriteStatus(reply, true, it == m_requests.end() ? Result() : it->second);
}

void UrlRequests::Release(int64_t handle) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_requests.erase(handle);
}
