#pragma once
// A time range condition.
//
// Body: field (int32); minimum (int64); maximum (int64); minimum-inclusive
// flag (1 byte); maximum-inclusive flag (1 byte).
#include <cstdint>

#include "assetdb/filters/VADFilterElement.h"

class VADFilterElementTimestamp : public VADFilterElement {
public:
    enum Field : int32_t { kInstallationTimestamp = 0, kModificationTimestamp = 1 };

    explicit VADFilterElementTimestamp(int32_t field = kInstallationTimestamp, int64_t minimum = 0, int64_t maximum = 0,
                                       bool minimumInclusive = false, bool maximumInclusive = false)
        : m_field(field),
          m_minimum(minimum),
          m_maximum(maximum),
          m_minimumInclusive(minimumInclusive),
          m_maximumInclusive(maximumInclusive) {}

    int32_t GetField() const { return m_field; }
    int64_t GetMinimum() const { return m_minimum; }
    int64_t GetMaximum() const { return m_maximum; }
    bool IsMinimumInclusive() const { return m_minimumInclusive; }
    bool IsMaximumInclusive() const { return m_maximumInclusive; }

    Vek::PString GetFieldName() const override;
    // The shape of the int range, but of each bound only its low 32 bits, in
    // signed decimal.
    Vek::PString GetValueString() const override;
    uint32_t GetTag() const override { return kFilterTagTimestamp; }
    bool Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

private:
    int32_t m_field;
    int64_t m_minimum;
    int64_t m_maximum;
    bool m_minimumInclusive;
    bool m_maximumInclusive;
};
