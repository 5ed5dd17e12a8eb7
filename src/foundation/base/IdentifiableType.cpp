#include "foundation/base/IdentifiableType.h"

// Defined here so that the type's virtual table and type information live in
// one place.
IdentifiableType::~IdentifiableType() = default;
