#include "gsnatives/GSOStringTable.h"

#include <cstring>

#include "foundation/interfacetext/InterfaceTextDB.h"
#include "gsnatives/BoundObject.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSExecutionBudget.h"
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

namespace {

// Walks the text as substitution reads it, handing each piece of the result
// to `put` in order: (text, length) of the original or of a parameter.
template <typename Put>
void ScanMarkers(const std::string& text, const Vek::PString (&params)[GSOStringTable::kParamCount], Put put) {
    std::size_t position = 0;
    for (;;) {
        const std::size_t marker = text.find('$', position);
        if (marker == std::string::npos || marker + 1 >= text.size()) break;
        put(text.data() + position, marker - position);
        const char next = text[marker + 1];
        if (next == '$') {
            put("$", 1);
            position = marker + 2;
        } else if (next >= '0' && next <= '9') {
            const Vek::PString& param = params[next - '0'];
            put(param.c_str(), std::strlen(param.c_str()));
            position = marker + 2;
        } else {
            put("$", 1);
            position = marker + 1;
        }
    }
    put(text.data() + position, text.size() - position);
}

}  // namespace

std::optional<std::string> GSOStringTable::Substitute(const std::string& text,
                                                      const Vek::PString (&params)[kParamCount]) {
    // Measured first, in 64 bits, so that a text of many markers and a long
    // parameter is refused before anything is built: a megabyte of "$0"
    // with a parameter of a few thousand characters asked for gigabytes.
    uint64_t length = 0;
    ScanMarkers(text, params, [&](const char*, std::size_t count) { length += count; });
    if (length > static_cast<uint64_t>(kMaxResultLength)) return std::nullopt;
    // Built into a new string, so that the work follows the text's length:
    // editing the text in place moved its whole rest at every marker.
    std::string result;
    result.reserve(static_cast<std::size_t>(length));
    ScanMarkers(text, params, [&](const char* piece, std::size_t count) { result.append(piece, count); });
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
    // The substitution reads the text and writes the result (its handing
    // over is charged when it is pushed): a unit a byte (GSExecutionBudget.h).
    GSChargeWork(text.Length());
    const std::optional<std::string> result = Substitute(text.c_str(), m_params);
    if (!result) {
        GSRaiseScriptException("StringTable.GetString> text of '%s' longer than %lld bytes after substitution",
                               name.c_str(), static_cast<long long>(kMaxResultLength));
        return;
    }
    stack->PushString(GetContext(), Vek::String(result->c_str(), result->size()));
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
