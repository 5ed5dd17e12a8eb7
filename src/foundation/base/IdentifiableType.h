#pragma once
// The empty polymorphic base of properties, AssetSpecs, world-list
// items and script contexts: it gives them all a dynamic type that can be
// asked for (typeid, dynamic_cast) through a common base pointer, and lets
// them be deleted through it.

class IdentifiableType {
public:
    IdentifiableType() = default;
    IdentifiableType(const IdentifiableType&) = default;
    IdentifiableType& operator=(const IdentifiableType&) = default;
    virtual ~IdentifiableType();
};
