#pragma once
// A numeric range condition.
//
// Body: field (int32); minimum (int32); maximum (int32); minimum-inclusive
// flag (1 byte); maximum-inclusive flag (1 byte).
#include <cstdint>

#include "assetdb/filters/VADFilterElement.h"

class VADFilterElementInt : public VADFilterElement {
public:
    enum Field : int32_t { kLocalRating = 0, kAuthor = 1, kVersion = 2 };

    explicit VADFilterElementInt(int32_t field = kAuthor, int32_t minimum = 0, int32_t maximum = 0,
                                 bool minimumInclusive = false, bool maximumInclusive = false)
        : m_field(field),
          m_minimum(minimum),
          m_maximum(maximum),
          m_minimumInclusive(minimumInclusive),
          m_maximumInclusive(maximumInclusive) {}

    int32_t GetField() const { return m_field; }
    int32_t GetMinimum() const { return m_minimum; }
    int32_t GetMaximum() const { return m_maximum; }
    bool IsMinimumInclusive() const { return m_minimumInclusive; }
    bool IsMaximumInclusive() const { return m_maximumInclusive; }

    Vek::PString GetFieldName() const override;
    // "[2,5)": '[' or '(' for the minimum, ']' or ')' for the maximum.
    Vek::PString GetValueString() const override;
    uint32_t GetTag() const override { return kFilterTagInt; }
    bool Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

private:
    int32_t m_field;
    int32_t m_minimum;
    int32_t m_maximum;
    bool m_minimumInclusive;
    bool m_maximumInclusive;
};
