#include "assetdb/filters/VADFilterElementString.h"

#include <string>

#include "foundation/streams/Stream.h"

namespace {

const char* const kFieldNames[] = {"asset-name", "category-list", "era-list", "keyword-list", "region-list"};

}  // namespace

VADFilterElementString::VADFilterElementString(int32_t field, const Vek::PString& value)
    : m_field(field), m_value(value) {
    const std::size_t length = m_value.Length();
    const char* text = m_value.c_str();
    if (field == kAssetName && length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        m_quoted = true;
        m_value = Vek::PString(text + 1, length - 2);
    }
}

Vek::PString VADFilterElementString::GetFieldName() const {
    if (m_field < 0 || m_field >= static_cast<int32_t>(std::size(kFieldNames))) return Vek::PString("unknown");
    return Vek::PString(kFieldNames[m_field]);
}

Vek::PString VADFilterElementString::GetValueString() const {
    std::string text;
    for (const char* p = m_value.c_str(); *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\\' || c == '(' || c == ')') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c < 0x20) {
            text += '\\';
            text += static_cast<char>(c + 0x40);
        } else {
            text += static_cast<char>(c);
        }
    }
    return Vek::PString(text.c_str(), text.size());
}

bool VADFilterElementString::Write(TStream& stream) const {
    bool ok = stream.WriteInt32(m_field);
    ok = stream.WritePString(m_value) && ok;
    ok = stream.WriteByte(m_quoted ? 1 : 0) && ok;
    return ok;
}

bool VADFilterElementString::Read(TStream& stream) {
    stream.ReadInt32(m_field);
    stream.ReadPString(m_value);
    stream.ReadBool(m_quoted);
    return true;
}
