#pragma once
// A status-flag condition: asks for assets that have the flag.
//
// Body: field (int32).
#include <cstdint>

#include "assetdb/filters/VADFilterElement.h"

class VADFilterElementBool : public VADFilterElement {
public:
    enum Field : int32_t {
        kLocal = 0,
        kFetchport = 1,
        kLocationUnknown = 2,
        kLocallyAvailable = 3,
        kUpToDate = 4,
        kObsolete = 5,
        kLocallyModified = 6,
        kValidName = 7,
        kOpenForEdit = 8,
        kInArchive = 9,
        kLocallyEnabled = 10,
        kHasMissingDependencies = 11,
        kHasFaultyDependencies = 12,
        kFaulty = 13,
        kFromCoatworks = 14,
        kBuiltin = 15,
        kListingPrivilege = 16,
        kCommitPrivilege = 17,
        kWarnings = 18,
        kHasScriptSource = 19,
        kCompatible = 20,
        kInBaseContentSet = 21,
    };

    explicit VADFilterElementBool(int32_t field = kLocallyAvailable) : m_field(field) {}

    int32_t GetField() const { return m_field; }

    Vek::PString GetFieldName() const override;
    // "true".
    Vek::PString GetValueString() const override;
    uint32_t GetTag() const override { return kFilterTagBool; }
    bool Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

private:
    int32_t m_field;
};
