#include "foundation/properties/VariableProperties.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The truth texts, interned once and compared by identity.
const Vek::PString& TruthTrue() {
    static const Vek::PString text("true");
    return text;
}
const Vek::PString& TruthOne() {
    static const Vek::PString text("1");
    return text;
}
const Vek::PString& TruthT() {
    static const Vek::PString text("t");
    return text;
}

}  // namespace

bool IsPropertyTruthText(const char* text) {
    Vek::PString lowered(text);
    lowered.ToLower();
    return lowered == TruthTrue() || lowered == TruthOne() || lowered == TruthT();
}

void VorlexPropertyFourCC::SetValueText(const char* text) {
    char padded[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; i < 4 && text && text[i]; ++i) padded[i] = text[i];
    uint32_t value = 0;
    for (char c : padded) value = (value << 8) | static_cast<uint8_t>(c);
    *m_variable = value;
}

void VorlexPropertyFourCC::GetValueText(Vek::String& out) const {
    char text[5];
    for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((*m_variable >> (24 - 8 * i)) & 0xFF);
    text[4] = '\0';
    out = text;  // a NUL byte ends the text, as "%c" formatting into a C string does
}

void VorlexPropertyInt::SetValueText(const char* text) {
    *m_variable = text ? static_cast<int32_t>(std::strtol(text, nullptr, 10)) : 0;
}

void VorlexPropertyInt::GetValueText(Vek::String& out) const { out.Format("%d", *m_variable); }

void VorlexPropertyFloat::SetValueText(const char* text) {
    *m_variable = text ? static_cast<float>(std::atof(text)) : 0.0f;
}

void VorlexPropertyFloat::GetValueText(Vek::String& out) const { out.Format("%g", static_cast<double>(*m_variable)); }

void VorlexPropertyFlags::SetValueText(const char* text) {
    if (IsPropertyTruthText(text))
        *m_variable |= m_mask;
    else
        *m_variable &= ~m_mask;
}

void VorlexPropertyFlags::GetValueText(Vek::String& out) const {
    out = ((*m_variable & m_mask) == m_mask) ? "true" : "false";
}

void VorlexPropertyBool::SetValueText(const char* text) { *m_variable = IsPropertyTruthText(text); }

void VorlexPropertyBool::GetValueText(Vek::String& out) const { out = *m_variable ? "true" : "false"; }

void VorlexPropertyString::SetValueText(const char* text) { *m_variable = text; }

void VorlexPropertyString::GetValueText(Vek::String& out) const { out = m_variable->c_str(); }

void VorlexPropertyCallback::SetValueText(const char* text) {
    if (!m_setter) return;
    PropertyValuePair pair{GetName(), Vek::String(text)};
    m_setter(pair);
}

void VorlexPropertyCallback::GetValueText(Vek::String& out) const {
    PropertyValuePair pair{GetName(), Vek::String()};
    if (m_getter) m_getter(pair);
    out = pair.value;
}
