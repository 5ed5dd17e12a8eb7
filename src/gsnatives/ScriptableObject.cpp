#include "gsnatives/ScriptableObject.h"

#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/streams/Stream.h"
#include "gsnatives/CustomObjectSource.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/router/GSRouter.h"

namespace GSNatives {

bool IsBlankSourceText(const char* text) {
    if (!text) return true;
    for (const char* c = text; *c; ++c)
        if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return false;
    return true;
}

ScriptableObject::ScriptableObject(VorlexScriptContext* context) : m_context(context) {
    ClearInitFlags(kAllSteps | kRegistered | kNoBind);
    if (m_context) m_context->Register(this);
}

ScriptableObject::~ScriptableObject() {
    // A context that is destroyed first lets its waiting clients go before
    // its manager ends, so only a registered object reaches back to it.
    if (m_context && HasInitFlags(kRegistered)) m_context->Unregister(this);
    m_pendingProperties = SoupHandle();
    NullSafePointers();
}

bool ScriptableObject::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::VorlexGameObject); }

KUID ScriptableObject::GetAssetKUID() const { return GetSpec().GetKuid(); }

GSRuntime::GSClass* ScriptableObject::GetScriptClass() {
    SpecHandle spec = GetSpec();
    if (!spec) return nullptr;
    if (m_sourceText.Length() == 0) {
        VorlexBaseSpec* base = spec.AsVorlexBaseSpec();
        return base ? base->GetGSClass() : nullptr;
    }
    return CompileCustomObjectClass(m_sourceText, *spec);
}

bool ScriptableObject::AcceptClass(GSRuntime::GSClass* /*cls*/) { return true; }

void ScriptableObject::InitStep1() { SetInitFlags(kStep1Done); }

void ScriptableObject::InitStep2() {
    SetInitFlags(kStep2Done);
    BindScript();
}

void ScriptableObject::BindScript() {
    m_failed = true;
    if (HasInitFlags(kNoBind)) return;
    GSRuntime::GSClass* cls = GetScriptClass();
    if (!cls || !AcceptClass(cls)) return;
    GSRuntime::GSClass* current = GetReference() ? GetClass() : nullptr;
    if (!current)
        BindClass(cls, m_context);
    else if (current != cls)
        BindClass(nullptr, m_context);
    if (GetReference() && GetClass()) m_failed = false;
}

void ScriptableObject::InitStep3() {
    SetInitFlags(kStep3Done);
    InitScript();
    Update(0.0f);
}

void ScriptableObject::InitScript() {
    if (m_failed) return;
    if (m_context && m_context->GetRouter()) m_context->GetRouter()->AddNode(this);
    BeforeInit();
    BeforeInit2();
    if (m_failed) return;

    GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromReference(GetReference());
    GSRuntime::GSObject* asset = m_context ? m_context->GetAssetObject(GetAssetKUID()) : nullptr;
    const GSRuntime::GSDataRef assetReference = asset ? asset->GetReference() : 0;
    // The call takes over the argument's count.
    if (assetReference) GSRuntime::GSScriptInstance::AddRef(assetReference);
    if (!GSRuntime::CallScriptFunction(m_context, GetClass(), header, "$void@VorlexGameObject::Init(Asset)", nullptr,
                                       {assetReference})) {
        m_failed = true;
        return;
    }
    uint32_t returned = 0;
    const bool answered = GSRuntime::CallScriptFunction(m_context, GetClass(), header,
                                                        "$Asset@VorlexGameObject::GetAsset()", &returned);
    GSRuntime::GSScriptInstance::ReleaseReference(returned);
    if (!answered || returned == 0) {
        m_failed = true;
        return;
    }
    AfterInit();
    if (!m_failed && m_propertiesPending) ApplyProperties();
}

void ScriptableObject::SetPendingProperties(const SoupHandle& soup) {
    m_pendingProperties = soup;
    m_propertiesPending = true;
}

void ScriptableObject::ApplyProperties() {
    if (m_failed) return;
    // The call takes over the object's creation count. An object that cannot
    // be made leaves the script without its properties: a failure too.
    GSOSoup* soup = GSOSoup::Create(m_context, m_pendingProperties, true);
    if (!soup || !GSRuntime::CallScriptFunction(m_context, GetClass(),
                                                GSRuntime::GSScriptInstance::FromReference(GetReference()),
                                                "$void@PropertyObject::SetProperties(Soup)", nullptr,
                                                {soup->GetReference()}))
        m_failed = true;
    m_pendingProperties = SoupHandle();
    m_propertiesPending = false;
}

void ScriptableObject::Rebind() {
    if (!m_context || !HasInitFlags(kStep3Done)) return;
    BindClass(nullptr, m_context);
    if (GSRuntime::GSRouter* router = m_context->GetRouter()) router->RemoveNode(this);
    BindScript();
    InitScript();
}

Vek::String ScriptableObject::GetDefaultSourceText() const {
    std::string include = "gs.gs";
    std::string base = "GameObject";
    SpecHandle spec = GetSpec();
    if (VorlexBaseSpec* vorlex = spec.AsVorlexBaseSpec()) {
        if (!vorlex->GetScriptLibraryName().IsEmpty()) {
            Vek::File::Path library(vorlex->GetScriptLibraryName().c_str());
            const char* ext = library.GetExt();
            std::string name = library.Str();
            if (ext) name.resize(name.size() - std::char_traits<char>::length(ext) - 1);
            include = name + ".gs";
        }
        if (!vorlex->GetScriptClassName().IsEmpty()) base = vorlex->GetScriptClassName().c_str();
    }
    std::string text;
    text += "include \"Vorlex.gs\"\n";
    text += "\n";
    text += "include \"" + include + "\"\n";
    text += "\n";
    text += "class CustomObject isclass " + base + "\n";
    text += "{\n";
    text += "  public void Init(Asset self)\n";
    text += "  {\n";
    text += "    inherited(self);\n";
    text += "    //...\n";
    text += "  }\n";
    text += "};\n";
    text += "\n";
    return Vek::String(text.c_str());
}

Vek::String ScriptableObject::GetSourceText() {
    if (m_sourceText.Length() != 0) return m_sourceText;
    return GetDefaultSourceText();
}

void ScriptableObject::SetSourceText(Vek::String text) {
    const bool blank = IsBlankSourceText(text.c_str());
    if (!blank && text == GetSourceText()) return;
    if (blank) text = Vek::String();
    if (text == m_sourceText) return;
    m_sourceText = text;
    Rebind();
}

void ScriptableObject::WriteSource(TStream& stream) { stream.WriteString(m_sourceText); }

void ScriptableObject::ReadSource(TStream& stream) {
    Vek::String text;
    if (!stream.ReadString(text)) return;
    if (text == m_sourceText) return;
    m_sourceText = text;
    Rebind();
}

}  // namespace GSNatives
