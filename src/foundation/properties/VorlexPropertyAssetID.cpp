#include "foundation/properties/VorlexPropertyAssetID.h"

void VorlexPropertyAssetID::SetValueText(const char* text) { m_kuid = KUID::Parse(text, false); }

void VorlexPropertyAssetID::GetValueText(Vek::String& out) const { out = m_kuid.ToTagString().c_str(); }
