#include "assetdb/filters/VADFilterElementTimestamp.h"

#include <iterator>

#include "foundation/streams/Stream.h"

namespace {

const char* const kFieldNames[] = {"installation-timestamp", "modification-timestamp"};

int32_t LowWord(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

}  // namespace

Vek::PString VADFilterElementTimestamp::GetFieldName() const {
    if (m_field < 0 || m_field >= static_cast<int32_t>(std::size(kFieldNames))) return Vek::PString("unknown");
    return Vek::PString(kFieldNames[m_field]);
}

Vek::PString VADFilterElementTimestamp::GetValueString() const {
    Vek::PString text;
    text.Setf("%c%d,%d%c", m_minimumInclusive ? '[' : '(', LowWord(m_minimum), LowWord(m_maximum),
              m_maximumInclusive ? ']' : ')');
    return text;
}

bool VADFilterElementTimestamp::Write(TStream& stream) const {
    bool ok = stream.WriteInt32(m_field);
    ok = stream.WriteInt64(m_minimum) && ok;
    ok = stream.WriteInt64(m_maximum) && ok;
    ok = stream.WriteByte(m_minimumInclusive ? 1 : 0) && ok;
    ok = stream.WriteByte(m_maximumInclusive ? 1 : 0) && ok;
    return ok;
}

bool VADFilterElementTimestamp::Read(TStream& stream) {
    stream.ReadInt32(m_field);
    stream.ReadInt64(m_minimum);
    stream.ReadInt64(m_maximum);
    stream.ReadBool(m_minimumInclusive);
    stream.ReadBool(m_maximumInclusive);
    return true;
}
