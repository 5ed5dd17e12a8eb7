#pragma once
// The stream form of a property: int32 kind (0: no property, nothing
// follows), then the name and the value text in the interned-string form.
#include "foundation/properties/PropertyRef.h"

class TStream;

// Writes the property; a null reference writes the kind 0 alone.
void WriteProperty(TStream& stream, const PropertyRef& property);

// Reads one property into `property`, which is first made null. A short
// read of the kind leaves it null. Kind 0: nothing follows. Kind 8 gives a
// new asset-id property with the name and the value text parsed leniently;
// any other kind reads both strings over and leaves the reference null.
void ReadProperty(TStream& stream, PropertyRef& property);
