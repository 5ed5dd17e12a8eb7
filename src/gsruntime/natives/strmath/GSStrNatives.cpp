#include "gsruntime/natives/strmath/GSStrNatives.h"

#include <cstring>
#include <string>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/strmath/GSStrText.h"

namespace GSRuntime {

namespace {

// The script string of argument `index`, or null.
GSString* StringArgument(GSStack* stack, int index) { return GSString::FromReference(stack->Local(index)); }

const char* TextOrNull(const GSString* string) { return string ? string->c_str() : nullptr; }

// The work of a native that reads or rewrites a text once (GSExecutionBudget.h:
// a unit a byte).
void ChargeText(const GSString* text) {
    if (text) GSChargeWork(text->Length());
}

// The token taken off a non-empty argument 1, or false when it is null or
// empty.
bool UnpackArgument(GSStack* stack, std::string& token) {
    GSString* text = StringArgument(stack, 1);
    if (!text || text->IsEmpty()) return false;
    // The rest of the text moves to its front.
    ChargeText(text);
    token = GSStrText::Unpack(text->Std());
    return true;
}

struct StrNative {
    const char* signature;
    GSCNativeFunction::Function function;
};

constexpr StrNative kStrNatives[] = {
    {"$void@Str::TrimLeft(string,string)", &GSStrTrimLeft},
    {"$void@Str::TrimRight(string,string)", &GSStrTrimRight},
    {"$int@Str::ToInt(string)", &GSStrToInt},
    {"$float@Str::ToFloat(string)", &GSStrToFloat},
    {"$void@Str::ToUpper(string)", &GSStrToUpper},
    {"$void@Str::ToLower(string)", &GSStrToLower},
    {"$string[]@Str::Tokens(string,string)", &GSStrTokens},
    {"$int@Str::UnpackInt(string)", &GSStrUnpackInt},
    {"$float@Str::UnpackFloat(string)", &GSStrUnpackFloat},
    {"$string@Str::UnpackString(string)", &GSStrUnpackString},
    {"$int@Str::Find(string,string,int)", &GSStrFind},
};

}  // namespace

void GSStrTrimLeft(GSContext*, GSStack* stack) {
    GSString* text = StringArgument(stack, 1);
    ChargeText(text);
    if (text && !text->IsEmpty()) GSStrText::TrimLeft(text->Std(), TextOrNull(StringArgument(stack, 2)));
}

void GSStrTrimRight(GSContext*, GSStack* stack) {
    GSString* text = StringArgument(stack, 1);
    ChargeText(text);
    if (text && !text->IsEmpty()) GSStrText::TrimRight(text->Std(), TextOrNull(StringArgument(stack, 2)));
}

void GSStrToInt(GSContext*, GSStack* stack) {
    if (const GSString* text = StringArgument(stack, 1)) {
        ChargeText(text);
        stack->Push(static_cast<uint32_t>(GSStrText::ToInt(text->c_str())));
    }
}

void GSStrToFloat(GSContext*, GSStack* stack) {
    if (const GSString* text = StringArgument(stack, 1)) {
        ChargeText(text);
        stack->PushFloat(GSStrText::ToFloat(text->c_str()));
    }
}

void GSStrToUpper(GSContext*, GSStack* stack) {
    GSString* text = StringArgument(stack, 1);
    ChargeText(text);
    if (text) text->ToUpper();
}

void GSStrToLower(GSContext*, GSStack* stack) {
    GSString* text = StringArgument(stack, 1);
    ChargeText(text);
    if (text) text->ToLower();
}

void GSStrTokens(GSContext* context, GSStack* stack) {
    GSArray* tokens = new GSArray(context, true);
    if (!tokens) return;
    if (const GSString* text = StringArgument(stack, 1)) {
        const GSString* delimiters = StringArgument(stack, 2);
        const char* set = delimiters && !delimiters->IsEmpty() ? delimiters->c_str() : GSStrText::kWhitespace;
        // Each token runs from the first byte not in the set to the next
        // byte in it (or the end); the scan goes on after that delimiter.
        // The text is read once, and each token made (a script string of its
        // own) costs 512 units more.
        const std::string& whole = text->Std();
        uint64_t made = 0;
        std::size_t position = 0;
        for (int32_t index = 0;; ++index) {
            const std::size_t begin = whole.find_first_not_of(set, position);
            if (begin == std::string::npos) break;
            const std::size_t end = whole.find_first_of(set, begin);
            const std::size_t length = (end == std::string::npos ? whole.size() : end) - begin;
            GSString* element = new GSString(context, whole.data() + begin, length);
            if (!element) break;
            made += 1;
            tokens->SetElementReference(index, element->GetReference(), false, nullptr);
            if (end == std::string::npos) break;
            position = end + 1;
        }
        GSChargeWork(2 * uint64_t(whole.size()) + 512 * made);
    }
    const GSDataRef reference = tokens->GetReference();
    if (!stack->Push(reference)) GSScriptInstance::ReleaseReference(reference);
}

void GSStrUnpackInt(GSContext*, GSStack* stack) {
    std::string token;
    if (UnpackArgument(stack, token)) stack->Push(static_cast<uint32_t>(GSStrText::ToInt(token.c_str())));
}

void GSStrUnpackFloat(GSContext*, GSStack* stack) {
    std::string token;
    if (UnpackArgument(stack, token)) stack->PushFloat(GSStrText::ToFloat(token.c_str()));
}

void GSStrUnpackString(GSContext* context, GSStack* stack) {
    std::string token;
    if (UnpackArgument(stack, token)) stack->PushString(context, Vek::String(token));
}

void GSStrFind(GSContext*, GSStack* stack) {
    const GSString* text = StringArgument(stack, 1);
    const GSString* wanted = StringArgument(stack, 2);
    const int32_t start = static_cast<int32_t>(stack->Local(3));
    int32_t position = -1;
    if (text && wanted && start >= 0 && static_cast<std::size_t>(start) <= text->Length()) {
        // The text of `wanted` up to its first NUL, searched with the C
        // library's memmem, which takes time linear in both texts (a plain
        // search compares the wanted text again at every position).
        const std::size_t wantedLength = std::strlen(wanted->c_str());
        const std::size_t rest = text->Length() - static_cast<std::size_t>(start);
        GSChargeWork(uint64_t(rest) + wantedLength);
        const char* from = text->c_str() + start;
        const void* found = memmem(from, rest, wanted->c_str(), wantedLength);
        if (found) position = static_cast<int32_t>(static_cast<const char*>(found) - text->c_str());
    }
    stack->Push(static_cast<uint32_t>(position));
}

void RegisterStrNatives(GSMachine& machine) {
    const Vek::PString className("Str");
    for (const StrNative& native : kStrNatives)
        machine.AddNative(new GSCNativeFunction(className, Vek::PString(native.signature), native.function));
}

void GSInstallStrNatives() { GSMachine::SetNativeRegistrar(GSNativeGroup::Str, &RegisterStrNatives); }

}  // namespace GSRuntime
