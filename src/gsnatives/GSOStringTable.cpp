#include "gsnatives/GSOStringTable.h"

#include "foundation/interfacetext/InterfaceTextDB.h"
#include "gsnatives/BoundObject.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using namespace GSRuntime;

GSOStringTable::GSOStringTable(GSContext* context, SpecHandle spec, const SoupHandle& config)
    : m_spec(std::move(spec)), m_table(config.GetContainer(Vek::PString("string-table"))) {
    BindClass(GetScriptClass(), context);
}

GSOStringTable::~GSOStringTable() {
    for (Vek::PString& param : m_params) param = Vek::PString();
    m_table.Clear();
    m_spec.Release();
}

GSOStringTable* GSOStringTable::Create(GSContext* context, const SpecHandle& spec, const SoupHandle& config) {
    return KeepIfBound(new GSOStringTable(context, spec, config));
}

bool GSOStringTable::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::StringTable); }

GSClass* GSOStringTable::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::StringTable); }

std::string GSOStringTable::Substitute(const std::string& text, const Vek::PString (&params)[kParamCount]) {
    // Built into a new string, so that the work follows the text's length:
    // editing the text in place moved its whole rest at every marker.
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    for (;;) {
        const std::size_t marker = text.find('$', position);
        if (marker == std::string::npos || marker + 1 >= text.size()) break;
        result.append(text, position, marker - position);
        const char next = text[marker + 1];
        if (next == '$') {
            result += '$';
            position = marker + 2;
        } else if (next >= '0' && next <= '9') {
            result += params[next - '0'].c_str();
            position = marker + 2;
        } else {
            result += '$';
            position = marker + 1;
        }
    }
    result.append(text, position, std::string::npos);
    return result;
}

void GSOStringTable::NativeGetLanguage(GSStack* stack) {
    Vek::PString language = InterfaceTextDB::Instance().GetString(Vek::PString("$main_language"), false);
    if (language.IsEmpty()) language = Vek::PString("english");
    stack->PushPString(GetContext(), language);
}

void GSOStringTable::NativeClearParams(GSStack*) {
    for (Vek::PString& param : m_params) param = Vek::PString();
}

void GSOStringTable::NativeSetParam(GSStack* stack) {
    Vek::PString text;
    GetPStringParam(stack, 2, true, text);
    const int32_t index = static_cast<int32_t>(stack->Local(1));
    if (static_cast<uint32_t>(index) >= kParamCount) {
        GSRaiseScriptException("StringTable.SetParam> index (%d) out of range (0..9)", index);
        return;
    }
    m_params[index] = text;
}

void GSOStringTable::NativeGetString(GSStack* stack) {
    Vek::PString name;
    GetPStringParam(stack, 1, true, name);
    if (name.IsEmpty()) {
        stack->PushPString(GetContext(), Vek::PString());
        return;
    }
    name.ToLower();
    const Vek::PString text =
        m_table.HasTag(name) ? m_table.GetString(name) : InterfaceTextDB::Instance().GetScenarioString(name);
    const std::string result = Substitute(text.c_str(), m_params);
    stack->PushString(GetContext(), Vek::String(result.c_str(), result.size()));
}

void RegisterStringTableNatives() {
    static const MemberNative<GSOStringTable> kNatives[] = {
        {"$string@StringTable::GetLanguage()", &GSOStringTable::NativeGetLanguage},
        {"$void@StringTable::ClearParams()", &GSOStringTable::NativeClearParams},
        {"$void@StringTable::SetParam(int,string)", &GSOStringTable::NativeSetParam},
        {"$string@StringTable::GetString(string)", &GSOStringTable::NativeGetString},
    };
    RegisterMemberNatives("StringTable", kNatives);
}

}  // namespace GSNatives
