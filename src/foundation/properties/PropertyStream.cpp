#include "foundation/properties/PropertyStream.h"

#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/streams/Stream.h"

void WriteProperty(TStream& stream, const PropertyRef& property) {
    stream.DropReadAhead();
    if (!property) {
        stream.WriteInt32(0);
        return;
    }
    stream.WriteInt32(property->GetKind());
    stream.WritePString(property->GetName());
    Vek::String value = property.GetValueText();
    stream.WritePString(value.c_str());
}

void ReadProperty(TStream& stream, PropertyRef& property) {
    property.Reset();
    int32_t kind = 0;
    if (!stream.ReadInt32(kind, 0) || kind == 0) return;
    Vek::PString name;
    Vek::PString value;
    stream.ReadPString(name);
    stream.ReadPString(value);
    if (kind == VorlexProperty::kKindProperty)
        property.Attach(new VorlexPropertyAssetID(name, KUID::Parse(value.c_str(), false)));
}
