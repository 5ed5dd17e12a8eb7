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
    std::string result = text;
    std::size_t position = 0;
    for (;;) {
        position = result.find('$', position);
        if (position == std::string::npos || position + 1 >= result.size()) break;
        const char next = result[position + 1];
        if (next == '$') {
            result.erase(position, 1);
            position += 1;
        } else if (next >= '0' && next <= '9') {
            const Vek::PString& param = params[next - '0'];
            result.replace(position, 2, param.c_str());
            position += std::char_traits<char>::length(param.c_str());
        } else {
            position += 1;
        }
    }
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
