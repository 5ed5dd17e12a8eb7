#include "assetdb/filters/VADFilterElementBool.h"

#include <iterator>

#include "foundation/streams/Stream.h"

namespace {

const char* const kFieldNames[] = {
    "local",           "fetchport",          "location-unknown",         "locally-available",
    "up-to-date",      "obsolete",           "locally-modified",         "valid-name",
    "open-for-edit",   "in-archive",         "locally-enabled",          "has-missing-dependencies",
    "has-faulty-dependencies", "faulty",     "from-coatworks",           "builtin",
    "listing-privilege", "commit-privilege", "warnings",                 "has-script-source",
    "compatible",      "in-base-content-set",
};
static_assert(std::size(kFieldNames) == 22);

}  // namespace

Vek::PString VADFilterElementBool::GetFieldName() const {
    if (m_field < 0 || m_field >= static_cast<int32_t>(std::size(kFieldNames))) return Vek::PString("unknown");
    return Vek::PString(kFieldNames[m_field]);
}

Vek::PString VADFilterElementBool::GetValueString() const { return Vek::PString("true"); }

bool VADFilterElementBool::Write(TStream& stream) const { return stream.WriteInt32(m_field); }

bool VADFilterElementBool::Read(TStream& stream) {
    stream.ReadInt32(m_field);
    return true;
}
