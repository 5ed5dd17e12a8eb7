#include "assetdb/filters/VADFilterElementInt.h"

#include <iterator>

#include "foundation/streams/Stream.h"

namespace {

const char* const kFieldNames[] = {"local-rating", "author", "version"};

}  // namespace

Vek::PString VADFilterElementInt::GetFieldName() const {
    if (m_field < 0 || m_field >= static_cast<int32_t>(std::size(kFieldNames))) return Vek::PString("unknown");
    return Vek::PString(kFieldNames[m_field]);
}

Vek::PString VADFilterElementInt::GetValueString() const {
    Vek::PString text;
    text.Setf("%c%d,%d%c", m_minimumInclusive ? '[' : '(', m_minimum, m_maximum, m_maximumInclusive ? ']' : ')');
    return text;
}

bool VADFilterElementInt::Write(TStream& stream) const {
    bool ok = stream.WriteInt32(m_field);
    ok = stream.WriteInt32(m_minimum) && ok;
    ok = stream.WriteInt32(m_maximum) && ok;
    ok = stream.WriteByte(m_minimumInclusive ? 1 : 0) && ok;
    ok = stream.WriteByte(m_maximumInclusive ? 1 : 0) && ok;
    return ok;
}

bool VADFilterElementInt::Read(TStream& stream) {
    stream.ReadInt32(m_field);
    stream.ReadInt32(m_minimum);
    stream.ReadInt32(m_maximum);
    stream.ReadBool(m_minimumInclusive);
    stream.ReadBool(m_maximumInclusive);
    return true;
}
