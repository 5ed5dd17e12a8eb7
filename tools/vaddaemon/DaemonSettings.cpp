#include "vaddaemon/DaemonSettings.h"

#include <mutex>

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/StoreFailure.h"

namespace {

// Offset of the body size in a binary soup's header.
constexpr int32_t kBodySizeOffset = 12;

bool Decode(const std::vector<uint8_t>& bytes, SoupHandle& soup) {
    TBuffer stream;
    stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream.Rewind();
    return ReadBinarySoup(soup, stream);
}

void WriteStored(bool found, const std::vector<uint8_t>& bytes, TStream& reply) {
    if (found) {
        reply.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    } else {
        WriteBinarySoup(reply, SoupHandle());
    }
}

}  // namespace

bool DaemonSettings::NormaliseSoup(TStream& payload, std::vector<uint8_t>& bytes) {
    const int32_t start = payload.Tell();
    SoupHandle soup;
    // Bytes after the soup make the payload malformed too.
    if (!ReadBinarySoup(soup, payload) || payload.Tell() != payload.Length()) return false;
    if (soup.IsEmpty()) {
        // An empty body is the form of no soup; a body that was there and
        // did not read is damage, which is not stored as if it were nothing.
        const int32_t end = payload.Tell();
        payload.SetPosition(start + kBodySizeOffset);
        int32_t bodySize = 0;
        payload.ReadInt32(bodySize, 0);
        payload.SetPosition(end);
        if (bodySize != 0) return false;
    }
    TBuffer out;
    WriteBinarySoup(out, soup);
    if (out.HasError()) return false;
    bytes.assign(out.GetData(), out.GetData() + out.GetDataSize());
    return true;
}

void DaemonSettings::Read(const std::string& name, TStream& reply) {
    std::vector<uint8_t> bytes;
    bool found;
    {
        std::lock_guard<std::mutex> hold(m_library.Mutex());
        found = m_library.Store().ReadSettings(name, bytes);
    }
    WriteStored(found, bytes, reply);
}

DaemonSettings::WriteResult DaemonSettings::Write(const std::string& name, TStream& payload, std::string& error) {
    std::vector<uint8_t> bytes;
    if (name.empty() || !NormaliseSoup(payload, bytes)) return WriteResult::kMalformed;
    SoupHandle soup;
    Decode(bytes, soup);
    std::lock_guard<std::mutex> hold(m_library.Mutex());
    if (!m_library.Store().WriteSettings(name, bytes)) {
        // The reply says so with the cause: the failure is answered here.
        StoreFailure failure;
        error = TakeStoreFailure(failure) ? failure.cause : m_library.Store().Connection().LastError();
        return WriteResult::kNotStored;
    }
    if (name == "internet" && soup.HasTag("username")) {
        int32_t user = 0;
        if (m_library.UserIdLocked(user)) m_library.Store().SetUserName(user, soup.GetString("username").c_str());
    }
    return WriteResult::kStored;
}

std::string DaemonSettings::Value(const std::string& name, const std::string& key) {
    std::vector<uint8_t> bytes;
    {
        std::lock_guard<std::mutex> hold(m_library.Mutex());
        if (!m_library.Store().ReadSettings(name, bytes)) return std::string();
    }
    SoupHandle soup;
    Decode(bytes, soup);
    return soup.GetString(key.c_str()).c_str();
}

std::string DaemonSettings::UserName(int32_t user) {
    std::lock_guard<std::mutex> hold(m_library.Mutex());
    std::string name;
    m_library.Store().FindUserName(user, name);
    return name;
}

void DaemonSettings::ReadLocalData(const KUID& kuid, const std::string& key, TStream& reply) {
    std::vector<uint8_t> bytes;
    bool found;
    {
        std::lock_guard<std::mutex> hold(m_library.Mutex());
        found = m_library.Store().ReadLocalData(kuid, key, bytes);
    }
    WriteStored(found, bytes, reply);
}

bool DaemonSettings::WriteLocalData(const KUID& kuid, const std::string& key, TStream& payload) {
    std::vector<uint8_t> bytes;
    if (key.empty() || !NormaliseSoup(payload, bytes)) return false;
    std::lock_guard<std::mutex> hold(m_library.Mutex());
    return m_library.Store().WriteLocalData(kuid, key, bytes);
}
