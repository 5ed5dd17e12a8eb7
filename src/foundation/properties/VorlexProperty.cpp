#include "foundation/properties/VorlexProperty.h"

void VorlexProperty::SetValueText(const char*) {}

void VorlexProperty::GetValueText(Vek::String& out) const { out.Clear(); }

void VorlexProperty::Notify(void*) {}

Vek::String VorlexProperty::ValueText() const {
    Vek::String text;
    GetValueText(text);
    return text;
}
