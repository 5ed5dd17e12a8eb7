#include "assetdb/filters/VADFilterElement.h"

VADFilterElement::~VADFilterElement() = default;

bool VADFilterElement::Equals(const VADFilterElement* other) const {
    if (!other) return false;
    return GetFieldName() == other->GetFieldName() && GetValueString() == other->GetValueString();
}

bool FilterElementsEqual(const VADFilterElement* a, const VADFilterElement* b) {
    if (!a || !b) return a == b;
    return a->Equals(b) && b->Equals(a);
}
