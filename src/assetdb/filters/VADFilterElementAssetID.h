#pragma once
// A condition on membership in a set of KUIDs. The set is ordered by user
// id, then content id, then version (each unsigned) and holds no duplicates.
//
// Body: field (int32); count (int32); each KUID in set order in its stream
// form (content id, then the packed word).
#include <cstdint>
#include <set>

#include "assetdb/filters/VADFilterElement.h"
#include "foundation/kuid/KUID.h"

class VADFilterElementAssetID : public VADFilterElement {
public:
    enum Field : int32_t { kAssetID = 0, kProfileMap = 1 };
    using KUIDSet = std::set<KUID, KUIDLess>;

    explicit VADFilterElementAssetID(int32_t field = kAssetID) : m_field(field) {}

    // Adds a KUID; one already in the set changes nothing.
    void AddKUID(const KUID& kuid) { m_kuids.insert(kuid); }
    int32_t GetField() const { return m_field; }
    const KUIDSet& GetKUIDs() const { return m_kuids; }

    Vek::PString GetFieldName() const override;
    // The KUID tag texts in set order, joined by ", ".
    Vek::PString GetValueString() const override;
    uint32_t GetTag() const override { return kFilterTagAssetID; }
    bool Write(TStream& stream) const override;
    // Empties the set and reads the KUIDs. False when the count passes
    // kMaxFilterKUIDs. Reading stops at the first KUID cut short, which adds
    // the null KUID, as every later one would.
    bool Read(TStream& stream) override;

private:
    int32_t m_field;
    KUIDSet m_kuids;
};
