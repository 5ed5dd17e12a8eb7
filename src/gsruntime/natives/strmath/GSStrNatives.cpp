#include "gsruntime/natives/strmath/GSStrNatives.h"

#include "gsruntime/GSArray.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/strmath/GSStrText.h"

namespace GSRuntime {

namespace {

// The script string of argument `index`, or null.
GSString* StringArgument(GSStack* stack, int index) { return GSString::FromReference(stack->Local(index)); }

const char* TextOrNull(const GSString* string) { return string ? string->c_str() : nullptr; }

// The token taken off a non-empty argument 1, or false when it is null or
// empty.
bool UnpackArgument(GSStack* stack, std::string& token) {
    GSString* text = StringArgument(stack, 1);
    if (!text || text->IsEmpty()) return false;
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
    if (text && !text->IsEmpty()) GSStrText::TrimLeft(text->Std(), TextOrNull(StringArgument(stack, 2)));
}

void GSStrTrimRight(GSContext*, GSStack* stack) {
    GSString* text = StringArgument(stack, 1);
    if (text && !text->IsEmpty()) GSStrText::TrimRight(text->Std(), TextOrNull(StringArgument(stack, 2)));
}

void GSStrToInt(GSContext*, GSStack* stack) {
    if (const GSString* text = StringArgument(stack, 1))
        stack->Push(static_cast<uint32_t>(GSStrText::ToInt(text->c_str())));
}

void GSStrToFloat(GSContext*, GSStack* stack) {
    if (const GSString* text = StringArgument(stack, 1)) stack->PushFloat(GSStrText::ToFloat(text->c_str()));
}

void GSStrToUpper(GSContext*, GSStack* stack) {
    if (GSString* text = StringArgument(stack, 1)) text->ToUpper();
}

void GSStrToLower(GSContext*, GSStack* stack) {
    if (GSString* text = StringArgument(stack, 1)) text->ToLower();
}

void GSStrTokens(GSContext* context, GSStack* stack) {
    GSArray* tokens = new GSArray(context, true);
    if (!tokens) return;
    if (const GSString* text = StringArgument(stack, 1)) {
        const GSString* delimiters = StringArgument(stack, 2);
        const char* set = delimiters && !delimiters->IsEmpty() ? delimiters->c_str() : GSStrText::kWhitespace;
        Vek::AnsiString rest(*text);
        for (int32_t index = 0;; ++index) {
            const Vek::AnsiString token = rest.Token(set);
            if (token.IsEmpty()) break;
            GSString* element = new GSString(context, Vek::String(token));
            if (!element) break;
            tokens->SetElementReference(index, element->GetReference(), false, nullptr);
        }
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
    if (text && wanted && start >= 0 && static_cast<std::size_t>(start) <= text->Length())
        position = text->Find(wanted->c_str(), static_cast<std::size_t>(start));
    stack->Push(static_cast<uint32_t>(position));
}

void RegisterStrNatives(GSMachine& machine) {
    const Vek::PString className("Str");
    for (const StrNative& native : kStrNatives)
        machine.AddNative(new GSCNativeFunction(className, Vek::PString(native.signature), native.function));
}

void GSInstallStrNatives() { GSMachine::SetNativeRegistrar(GSNativeGroup::Str, &RegisterStrNatives); }

}  // namespace GSRuntime
