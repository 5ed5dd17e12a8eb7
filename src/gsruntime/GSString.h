#pragma once
// GSString: a script string (reference type 2), a byte string held in a
// Vek::String, with its instance header and its one data slot embedded; it
// lives on the script-object heap and is born with count 1 for its creator.
//
// A string grown through a byte index never exceeds kMaxLength bytes (sizes
// are computed in 64 bits): such an index is refused (false), and the
// interpreter turns that into its out-of-bounds error.
//
// The text is charged to the script memory budget (GSScriptMemoryBudget) by
// the room it has beyond what the object holds inline: its capacity, or the
// capacity a growth will give it (the text at least doubles its room when it
// grows out of it), never given back before the string goes. A text made at
// construction is charged whatever the total; every growing call below
// first asks the budget and answers false, the text unchanged, when it
// refuses. Growth within the room already charged asks nothing.
//
// The bytes these calls write are charged to the execution budget
// (GSExecutionBudget.h: a unit a byte written, twice the bytes for an append,
// whose growth copies the text a logarithmic number of times).
#include <cstddef>
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "gsruntime/GSObjectReference.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSTypeIdMemo.h"
#include "gsruntime/GSExecutionBudget.h"

namespace GSRuntime {

class GSContext;
class GSScriptMemoryAccount;

class GSString : public GSObjectReference, public Vek::String {
public:
    static constexpr int64_t kMaxLength = int64_t(1) << 24;

    // Empty, in the current context (none outside a running script).
    GSString();
    GSString(GSContext* context, const char* text);
    // The `length` bytes at `text` (null: none).
    GSString(GSContext* context, const char* text, std::size_t length);
    GSString(GSContext* context, const Vek::String& text);
    GSString(GSContext* context, const Vek::PString& text);
    // A copy of `other`'s text (empty for null), in the current context.
    explicit GSString(const GSString* other);
    ~GSString() override;

    GSDataRef GetReference() const override { return GSReferenceOf(&m_instance.data); }
    GSScriptInstance& Header() { return m_instance.header; }
    // The string a reference designates, or null (null, or not a string).
    static GSString* FromReference(GSDataRef reference);

    // The destination's text becomes the source's bytes [start, end) (a
    // negative start means 0; a negative end, or one past the length, the
    // length). False, nothing changed, for end < start.
    static bool CopyRange(const GSString* source, int32_t end, int32_t start, GSString* destination);
    // Replaces the bytes [start, end) by the source's text (none for null),
    // clamped as CopyRange clamps against this string's length. The source
    // may be this string. False, nothing changed, for end < start.
    bool Splice(int32_t start, int32_t end, const GSString* source);
    // Byte `index` becomes the low 8 bits of `value`; an index at or beyond
    // the length first pads the text with blanks up to index - 1 and then
    // appends the byte. False, nothing changed, for a negative index or a
    // length beyond kMaxLength.
    bool SetByte(int32_t index, int32_t value);
    // The text becomes `text` (with room for `spare` more bytes, charged
    // with it), or has it appended. False, nothing changed, when the budget
    // refuses the growth.
    bool AssignText(const char* text, std::size_t length, std::size_t spare = 0) {
        if (!Room(uint64_t(length) + spare)) return false;
        GSChargeWork(uint64_t(length) + spare);
        if (spare) m_text.reserve(length + spare);
        m_text.assign(text, length);
        return true;
    }
    bool AppendText(const char* text, std::size_t length) {
        if (!Room(uint64_t(m_text.size()) + length)) return false;
        GSChargeWork(2 * uint64_t(length));
        m_text.append(text, length);
        return true;
    }

    // For a library's string constant (GSConstantStrings), whose text never
    // changes: the message type id memo of its text. Null for every other
    // string.
    GSTypeIdMemo* TypeIdMemo() const { return m_typeIdMemo; }
    void SetTypeIdMemo(GSTypeIdMemo* memo) { m_typeIdMemo = memo; }

private:
    void Track(GSContext* context);
    // True when a text of `length` bytes fits the room charged, or the
    // budget grants the room it will take.
    bool Room(uint64_t length) { return length <= m_charged || Charge(length); }
    bool Charge(uint64_t length);

    // The room charged, counting the inline room that costs nothing extra.
    uint64_t m_charged = 0;
    // The account of the string's context, held once the string charges
    // anything (null for a string of no context): the room is given back
    // to it.
    GSScriptMemoryAccount* m_account = nullptr;
    GSTypeIdMemo* m_typeIdMemo = nullptr;

    GSEmbeddedInstance m_instance;
};

}  // namespace GSRuntime
