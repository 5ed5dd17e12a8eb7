#pragma once
// Properties bound to a variable of their maker: reading the value text
// formats the variable, setting it parses the text into the variable. They
// hold no count: whoever makes one owns it and keeps the variable alive.
#include <cstdint>
#include <functional>

#include "foundation/properties/VorlexProperty.h"

// A four-character code: the four bytes, most significant first, as
// characters. Setting pads the text with blanks to four characters and
// packs the first four, the first as the most significant byte.
class VorlexPropertyFourCC : public VorlexProperty {
public:
    VorlexPropertyFourCC(const Vek::PString& name, uint32_t* variable) : VorlexProperty(name), m_variable(variable) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    uint32_t* m_variable;
};

// A signed 32-bit integer: "%d"; set by decimal conversion (an empty text
// gives 0).
class VorlexPropertyInt : public VorlexProperty {
public:
    VorlexPropertyInt(const Vek::PString& name, int32_t* variable) : VorlexProperty(name), m_variable(variable) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    int32_t* m_variable;
};

// A 32-bit float: "%g"; set with atof (an empty text gives 0).
class VorlexPropertyFloat : public VorlexProperty {
public:
    VorlexPropertyFloat(const Vek::PString& name, float* variable) : VorlexProperty(name), m_variable(variable) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    float* m_variable;
};

// Bits of an unsigned word: "true" when every bit of the mask is set, else
// "false". Setting with a truth text ("true", "1" or "t", any letter case)
// sets the mask bits; any other text clears them.
class VorlexPropertyFlags : public VorlexProperty {
public:
    VorlexPropertyFlags(const Vek::PString& name, uint32_t* variable, uint32_t mask)
        : VorlexProperty(name), m_variable(variable), m_mask(mask) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    uint32_t* m_variable;
    uint32_t m_mask;
};

// A boolean: "true" or "false"; true exactly for a truth text.
class VorlexPropertyBool : public VorlexProperty {
public:
    VorlexPropertyBool(const Vek::PString& name, bool* variable) : VorlexProperty(name), m_variable(variable) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    bool* m_variable;
};

// An interned string: the string itself.
class VorlexPropertyString : public VorlexProperty {
public:
    VorlexPropertyString(const Vek::PString& name, Vek::PString* variable)
        : VorlexProperty(name), m_variable(variable) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    Vek::PString* m_variable;
};

// The pair handed to a callback property's getter and setter.
struct PropertyValuePair {
    Vek::PString name;
    Vek::String value;
};

// A getter and a setter. Reading calls the getter with {name, ""} and gives
// the value it leaves; setting calls the setter with {name, text}.
class VorlexPropertyCallback : public VorlexProperty {
public:
    using Handler = std::function<void(PropertyValuePair&)>;
    VorlexPropertyCallback(const Vek::PString& name, Handler getter, Handler setter)
        : VorlexProperty(name), m_getter(std::move(getter)), m_setter(std::move(setter)) {}
    void SetValueText(const char* text) override;
    void GetValueText(Vek::String& out) const override;

private:
    Handler m_getter;
    Handler m_setter;
};

// True for "true", "1" and "t" in any letter case.
bool IsPropertyTruthText(const char* text);
