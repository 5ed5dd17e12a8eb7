#include "assetdb/filters/VADFilterElementAssetID.h"

#include <iterator>
#include <string>

#include "assetdb/filters/FilterElementIO.h"
#include "foundation/streams/Stream.h"

namespace {

const char* const kFieldNames[] = {"asset-id", "profile-map"};

}  // namespace

Vek::PString VADFilterElementAssetID::GetFieldName() const {
    if (m_field < 0 || m_field >= static_cast<int32_t>(std::size(kFieldNames))) return Vek::PString("unknown");
    return Vek::PString(kFieldNames[m_field]);
}

Vek::PString VADFilterElementAssetID::GetValueString() const {
    std::string text;
    for (const KUID& kuid : m_kuids) {
        if (!text.empty()) text += ", ";
        text += kuid.ToTagString().c_str();
    }
    return Vek::PString(text.c_str(), text.size());
}

bool VADFilterElementAssetID::Write(TStream& stream) const {
    bool ok = stream.WriteInt32(m_field);
    ok = stream.WriteInt32(static_cast<int32_t>(m_kuids.size())) && ok;
    for (const KUID& kuid : m_kuids) ok = stream.WriteKUID(kuid) && ok;
    return ok;
}

bool VADFilterElementAssetID::Read(TStream& stream) {
    stream.ReadInt32(m_field);
    int32_t count = 0;
    stream.ReadInt32(count);
    m_kuids.clear();
    if (count > kMaxFilterKUIDs) return false;
    for (int32_t i = 0; i < count; ++i) {
        KUID kuid;
        const bool whole = stream.ReadKUID(kuid);
        m_kuids.insert(kuid);
        if (!whole) break;
    }
    return true;
}
