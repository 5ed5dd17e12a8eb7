#pragma once
// A named value that can be read and set as text and written to a stream.
// The program uses one counted kind in practice, the asset-id property that
// names the asset a result-log entry speaks of; the variable-bound kinds
// (VariableProperties.h) complete the family.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/base/IdentifiableType.h"

class VorlexProperty : public IdentifiableType {
public:
    // The kind code every property of the family carries.
    static constexpr int32_t kKindProperty = 8;

    explicit VorlexProperty(const Vek::PString& name) : m_name(name) {}
    ~VorlexProperty() override = default;
    VorlexProperty(const VorlexProperty&) = delete;
    VorlexProperty& operator=(const VorlexProperty&) = delete;

    // Sets the value from a text; the base ignores it.
    virtual void SetValueText(const char* text);
    // The value as text; the base gives the empty text.
    virtual void GetValueText(Vek::String& out) const;
    // A further operation with one argument; no kind of this program uses it.
    virtual void Notify(void* argument);
    // Takes a reference and returns the object to keep. Kinds without a
    // count (the variable-bound ones, owned by whoever made them) return
    // themselves and count nothing.
    virtual VorlexProperty* AddReference() { return this; }
    // Drops a reference taken with AddReference; nothing for uncounted kinds.
    virtual void ReleaseReference() {}

    // GetValueText into a fresh string.
    Vek::String ValueText() const;

    const Vek::PString& GetName() const { return m_name; }
    int32_t GetKind() const { return m_kind; }

private:
    Vek::PString m_name;
    int32_t m_kind = kKindProperty;
};
