#pragma once
// A text condition on one of the text fields of an asset record.
//
// Body: field (int32); the value in the interned-string form (int32 length
// counting a terminating NUL, the characters and the NUL; 0 when empty);
// quoted flag (1 byte).
#include <cstdint>

#include "assetdb/filters/VADFilterElement.h"

class VADFilterElementString : public VADFilterElement {
public:
    enum Field : int32_t {
        kAssetName = 0,
        kCategoryList = 1,
        kEraList = 2,
        kKeywordList = 3,
        kRegionList = 4,
    };

    // Keeps the value. For the asset-name field only, a value of two or more
    // characters that begins and ends with '"' loses those two characters
    // and sets the quoted flag.
    VADFilterElementString(int32_t field = kAssetName, const Vek::PString& value = Vek::PString());

    int32_t GetField() const { return m_field; }
    const Vek::PString& GetValue() const { return m_value; }
    bool IsQuoted() const { return m_quoted; }

    Vek::PString GetFieldName() const override;
    // The value with '\', '(' and ')' escaped by a backslash, and each byte
    // below 0x20 written as a backslash and the byte plus 0x40 (tab: "\I").
    Vek::PString GetValueString() const override;
    uint32_t GetTag() const override { return kFilterTagString; }
    bool Write(TStream& stream) const override;
    // The value is kept as read (no quotes are removed).
    bool Read(TStream& stream) override;

private:
    int32_t m_field;
    Vek::PString m_value;
    bool m_quoted = false;
};
