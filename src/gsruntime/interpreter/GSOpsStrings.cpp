// Strings (opcodes 72 to 86). Strings are byte strings shared by reference;
// new strings belong to the current context. Every instruction that takes
// a string reference releases it unless it stays on the stack; where a null
// string is an error (a reference that is no string counts as null) it
// raises ER_NullStringReference. A string that cannot be made or grown (the
// script heap is full, or the script memory budget refuses its text)
// raises ER_NullStringReference too, and a string index the running
// library does not have raises ER_LinkError. On an error the operands stay
// where they are.

#include <algorithm>
#include <charconv>
#include <string>

#include "engine/AnsiString.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/GSTrackedObjectRegistry.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSScalarOps.h"

namespace GSRuntime {

namespace {

int32_t AsInt(uint32_t slot) { return static_cast<int32_t>(slot); }

void Release(GSDataRef reference) { GSScriptInstance::ReleaseReference(reference); }

// Pushes a new string of the current context holding `text` in place of
// the top `replaced` slots (0: a new slot).
bool PutNewString(GSRunState& s, const char* text, std::size_t length, int32_t replaced) {
    // The memory budget is asked before the text is copied.
    GSContext* context = GSCurrentContext();
    GSString* string = GSScriptMemoryBudget::Fits(GSScriptMemoryAccount::Of(context), length)
                           ? new GSString(context, text, length)
                           : nullptr;
    if (!string) return s.Raise(ER_NullStringReference);
    GSChargeWork(length);
    s.sp -= replaced;
    s.Push(string->GetReference());
    return true;
}

bool PutNewString(GSRunState& s, const Vek::String& text, int32_t replaced) {
    return PutNewString(s, text.c_str(), text.Length(), replaced);
}

bool NewString(GSRunState& s) { return PutNewString(s, "", 0, 0); }

bool PushString(GSRunState& s) {
    const uint16_t index = s.U16();
    if (!s.library || index >= s.library->StringCount()) return s.Raise(ER_LinkError);
    return PutNewString(s, s.library->GetStringCopy(index), 0);
}

bool IntToString(GSRunState& s) {
    char text[16];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, AsInt(s.Top()));
    return PutNewString(s, text, static_cast<std::size_t>(end.ptr - text), 1);
}

bool BoolToString(GSRunState& s) { return PutNewString(s, Vek::String(s.Top() != 0 ? "true" : "false"), 1); }

bool FloatToString(GSRunState& s) {
    Vek::String text;
    text.Format("%f", static_cast<double>(GSScalar::Float(s.Top())));
    return PutNewString(s, text, 1);
}

// s -> s2: an independent copy; null stays null.
bool StringCopy(GSRunState& s) {
    const GSDataRef reference = s.Top();
    const GSString* string = GSString::FromReference(reference);
    if (!string) {
        s.Top() = 0;
        Release(reference);
        return true;
    }
    if (!PutNewString(s, *string, 1)) return false;
    Release(reference);
    return true;
}

bool StringSize(GSRunState& s) {
    const GSDataRef reference = s.Top();
    const GSString* string = GSString::FromReference(reference);
    if (!string) return s.Raise(ER_NullStringReference);
    s.Top() = static_cast<uint32_t>(string->Length());
    Release(reference);
    return true;
}

// s i -> c: byte i as a signed 8-bit value.
bool StringGet(GSRunState& s) {
    const GSDataRef reference = s.At(1);
    const GSString* string = GSString::FromReference(reference);
    if (!string) return s.Raise(ER_NullStringReference);
    const int32_t index = AsInt(s.At(0));
    if (index < 0 || static_cast<std::size_t>(index) >= string->Length()) return s.Raise(ER_StringOutOfBounds);
    const int32_t byte = GSScalar::StringByte(string->c_str()[index]);
    s.sp -= 1;
    s.Top() = static_cast<uint32_t>(byte);
    Release(reference);
    return true;
}

// s i c -> (c when Keep): changes s in place; an index at or beyond the
// length first pads the text with blanks.
template <bool Keep>
bool StringSet(GSRunState& s) {
    const GSDataRef reference = s.At(2);
    GSString* string = GSString::FromReference(reference);
    if (!string) return s.Raise(ER_NullStringReference);
    const uint32_t value = s.At(0);
    if (!string->SetByte(AsInt(s.At(1)), AsInt(value))) return s.Raise(ER_StringOutOfBounds);
    s.sp -= Keep ? 2 : 3;
    if (Keep) s.Top() = value;
    Release(reference);
    return true;
}

// s end start -> s2: a new string of the bytes [start, end).
bool StringSlice(GSRunState& s) {
    const GSDataRef reference = s.At(2);
    const GSString* string = GSString::FromReference(reference);
    if (!string) return s.Raise(ER_NullStringReference);
    GSString* slice = new GSString(GSCurrentContext(), "");
    if (!slice) return s.Raise(ER_NullStringReference);
    if (!GSString::CopyRange(string, AsInt(s.At(1)), AsInt(s.At(0)), slice)) {
        Release(slice->GetReference());
        return s.Raise(ER_ArrayOutOfBounds);
    }
    s.sp -= 2;
    s.Top() = slice->GetReference();
    Release(reference);
    return true;
}

// s end start src -> (src when Keep): the bytes [start, end) of s become
// the text of src (none for null), in place.
template <bool Keep>
bool StringSetRange(GSRunState& s) {
    const GSDataRef reference = s.At(3);
    GSString* string = GSString::FromReference(reference);
    if (!string) return s.Raise(ER_NullStringReference);
    const GSDataRef source = s.At(0);
    if (!string->Splice(AsInt(s.At(1)), AsInt(s.At(2)), GSString::FromReference(source)))
        return s.Raise(ER_ArrayOutOfBounds);
    s.sp -= Keep ? 3 : 4;
    if (Keep) s.Top() = source;
    Release(reference);
    if (!Keep) Release(source);
    return true;
}

// a b -> c: negative, zero or positive as a sorts before, with or after b
// (byte-wise); a null operand counts as the empty text.
bool CompareString(GSRunState& s) {
    const GSDataRef a = s.At(1);
    const GSDataRef b = s.At(0);
    const GSString* left = GSString::FromReference(a);
    const GSString* right = GSString::FromReference(b);
    const char* rightText = right ? right->c_str() : "";
    // The comparison reads at most the shorter text.
    if (left && right) GSChargeWork(std::min(left->Length(), right->Length()));
    const int compared = left ? left->Compare(rightText) : Vek::String::Empty().Compare(rightText);
    s.sp -= 1;
    s.Top() = static_cast<uint32_t>(compared < 0 ? -1 : (compared > 0 ? 1 : 0));
    Release(a);
    Release(b);
    return true;
}

// a b -> s: a new string a followed by b; with one null operand the other
// is the result (its count passes on); both null give a new empty string.
bool ConcatString(GSRunState& s) {
    const GSDataRef a = s.At(1);
    const GSDataRef b = s.At(0);
    const GSString* left = GSString::FromReference(a);
    const GSString* right = GSString::FromReference(b);
    if (left && !right) {
        s.sp -= 1;
        s.Top() = a;
        Release(b);
        return true;
    }
    if (right && !left) {
        s.sp -= 1;
        s.Top() = b;
        Release(a);
        return true;
    }
    if (!left) {
        if (!PutNewString(s, "", 0, 2)) return false;
        Release(a);
        Release(b);
        return true;
    }
    // A left operand that only the stack holds (its one count is the
    // stack's) and that belongs to the current context, as a new string
    // would, becomes the result in place: no one else can see it change,
    // and `s + a + b` no longer copies the whole text for every operand.
    GSString* unique = const_cast<GSString*>(left);
    if (unique->Header().count == 1 &&
        GSTrackedObjectRegistry::GetContext(&unique->Header()) == GSCurrentContext()) {
        if (!unique->AppendText(right->c_str(), right->Length())) return s.Raise(ER_NullStringReference);
        s.sp -= 1;
        Release(b);
        return true;
    }
    GSString* string = new GSString(GSCurrentContext(), "");
    if (!string) return s.Raise(ER_NullStringReference);
    if (!string->AssignText(left->c_str(), left->Length(), right->Length())) {
        Release(string->GetReference());
        return s.Raise(ER_NullStringReference);
    }
    string->AppendText(right->c_str(), right->Length());  // charged with the assignment
    s.sp -= 2;
    s.Push(string->GetReference());
    Release(a);
    Release(b);
    return true;
}

}  // namespace

void GSInstallStringHandlers(GSOpHandler* table) {
    GSInstallChecked<OP_NewString, &NewString>(table);
    GSInstallChecked<OP_PushString, &PushString>(table);
    GSInstallChecked<OP_IntToString, &IntToString>(table);
    GSInstallChecked<OP_BoolToString, &BoolToString>(table);
    GSInstallChecked<OP_FloatToString, &FloatToString>(table);
    GSInstallChecked<OP_StringCopy, &StringCopy>(table);
    GSInstallChecked<OP_StringSize, &StringSize>(table);
    GSInstallChecked<OP_StringGet, &StringGet>(table);
    GSInstallChecked<OP_StringSet, &StringSet<false>>(table);
    GSInstallChecked<OP_StringSetKeep, &StringSet<true>>(table);
    GSInstallChecked<OP_StringSlice, &StringSlice>(table);
    GSInstallChecked<OP_StringSetRange, &StringSetRange<false>>(table);
    GSInstallChecked<OP_StringSetRangeKeep, &StringSetRange<true>>(table);
    GSInstallChecked<OP_CompareString, &CompareString>(table);
    GSInstallChecked<OP_ConcatString, &ConcatString>(table);
}

}  // namespace GSRuntime
