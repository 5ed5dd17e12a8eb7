#include "gsnatives/GSOLibrary.h"

#include <cstdint>

#include "assetdb/specs/GetSpecForKuid.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/Stream.h"
#include "gsnatives/GSOAsset.h"
#include "gsnatives/GSOLibrarySpec.h"
#include "gsnatives/GSOOnlineAccess.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/NativePlugins.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptSoupBounds.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/router/GSMessage.h"
#include "gsruntime/router/GSRouter.h"

namespace GSNatives {

using GSRuntime::GSDataRef;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSStack;

namespace {

GSRuntime::GSScriptInstance* HeaderOf(const GSRuntime::GSObject& object) {
    return GSScriptInstance::FromReference(object.GetReference());
}

}  // namespace

GSOLibrary* GSOLibrary::Create(GSOLibrarySpec* spec, VorlexScriptContext* context) {
    return new GSOLibrary(context, spec);
}

GSOLibrary::GSOLibrary(VorlexScriptContext* context, GSOLibrarySpec* spec) : ScriptableObject(context), m_spec(spec) {
    if (spec && !spec->GetNativePluginName().IsEmpty())
        m_plugin = LoadNativePlugin(context ? GetPluginContext(context) : nullptr, spec->GetNativePluginName().c_str());
}

GSOLibrary::~GSOLibrary() {
    if (VorlexScriptContext* context = GetVorlexContext())
        context->SetSystemMenuIcon(this, KUID(), Vek::PString(""), Vek::PString(""), false);
    VNIRelease(m_plugin);
    m_plugin = nullptr;
    m_libraryProperties.Clear();
    m_spec.Release();
}

bool GSOLibrary::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::Library); }

SpecHandle GSOLibrary::GetSpec() const { return m_spec; }

const KUID& GSOLibrary::GetKUID() const { return m_spec ? m_spec->GetKuid() : KUID::Null(); }

void GSOLibrary::CallScriptInit() {
    if (m_initialised) return;
    m_initialised = true;
    if (VorlexScriptContext* context = GetVorlexContext())
        context->Complete(this);
    else
        DelayedInitManager::RunPendingSteps(this);
    if (HasFailed())
        LogPrintf("GSOLibrary::CallScriptInit> script Init failed for %s", GetKUID().ToTagString().c_str());
    ApplyLibraryProperties();
}

void GSOLibrary::ApplyLibraryProperties() {
    if (!m_libraryPropertiesPending || HasFailed()) return;
    GSOSoup* soup = GSOSoup::Create(GetVorlexContext(), m_libraryProperties, true);
    if (soup && GetReference()) {
        // The call takes over the soup's creation count; its outcome is not
        // looked at.
        GSRuntime::CallScriptFunction(GetVorlexContext(), GetClass(), HeaderOf(*this),
                                      "$void@PropertyObject::SetProperties(Soup)", nullptr, {soup->GetReference()});
    } else if (soup) {
        GSScriptInstance::ReleaseReference(soup->GetReference());
    }
    m_libraryProperties.Clear();
    m_libraryPropertiesPending = false;
}

SoupHandle GSOLibrary::GetProperties() {
    if (HasFailed()) return SoupHandle();
    uint32_t result = 0;
    SoupHandle soup;
    bool found = false;
    if (GetReference() && GSRuntime::CallScriptFunction(GetVorlexContext(), GetClass(), HeaderOf(*this),
                                                        "$Soup@PropertyObject::GetProperties()", &result)) {
        if (result) {
            if (auto* object = dynamic_cast<GSOSoup*>(GSScriptInstance::OwnerOf(result))) {
                soup = object->GetSoup();
                found = true;
            }
            GSScriptInstance::ReleaseReference(result);
        }
    }
    if (!found)
        LogPrintf("GSOLibrary::GetProperties> could not retrieve properties for %s", GetKUID().ToTagString().c_str());
    return soup;
}

void GSOLibrary::SaveState(TStream& stream) {
    const SoupHandle soup = GetProperties();
    if (soup.IsEmpty() || soup.Count() == 0) return;
    // The script's soup is written whole: bounded as every writer of a
    // script's soup, and left out as an empty one is past the bound.
    SoupWalkCost cost;
    if (!MeasureSoupWithin(soup, GSRuntime::ScriptSoupWalkLimit(), cost)) {
        LogPrintf("GSOLibrary::SaveState> properties of %s too large to save", GetKUID().ToTagString().c_str());
        return;
    }
    stream.WriteInt32(0);
    WriteBinarySoup(stream, soup);
}

void GSOLibrary::LoadState(TStream& stream) {
    if (HasFailed()) return;
    int32_t unused = 0;
    stream.ReadInt32(unused, -1);
    SoupHandle soup;
    ReadBinarySoup(soup, stream);
    m_libraryProperties = soup;
    m_libraryPropertiesPending = !soup.IsEmpty() && soup.Count() > 0;
    if (m_initialised) ApplyLibraryProperties();
}

int GSOLibrary::HandleMessage(const NuMessageData& message) {
    static const Vek::PString kClick("click");
    const auto value = static_cast<int32_t>(reinterpret_cast<intptr_t>(message.Value()));
    if (m_menuValue != 0 && value == m_menuValue && message.Type() == kClick) {
        GSRuntime::GSMessage* script = CreateMessage("Interface", "ClickSystemButton", Id(), 0);
        if (script && Router()) Router()->SendMessage(script);
        if (script) script->ReleaseReference();
        return 0;
    }
    return NuMessageRecipient::HandleMessage(message);
}

// ---- natives ----

void GSOLibrary::NativeLibraryCallNative(GSStack* stack) {
    Vek::PString function;
    if (!GSRuntime::GetPStringParam(stack, 1, false, function)) return;
    VorlexScriptContext* context = GetVorlexContext();
    if (!m_plugin) {
        if (GSRuntime::GSLogCallback)
            GSRuntime::GSLogCallback("Library.LibraryCall> unknown function '%s' was called on object '%s'",
                                     function.c_str(), m_spec ? m_spec->GetDescription().c_str() : "");
        stack->PushPString(context, Vek::PString(""));
        return;
    }

    // The argument array is held for the call and given back after it.
    const GSDataRef argumentsReference = stack->Local(2);
    const GSRuntime::GSArray* arguments = GSRuntime::GSArray::FromReference(argumentsReference);
    if (arguments) GSScriptInstance::AddRef(argumentsReference);
    const int32_t count = arguments ? arguments->GetCount() : 0;
    VNIObject* array = VNIAllocArray(static_cast<uint32_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        GSDataRef element = 0;
        arguments->GetElementReference(i, element, false);
        const GSRuntime::GSString* text = GSRuntime::GSString::FromReference(element);
        VNIObject* string = VNIAllocString(text ? text->c_str() : nullptr);
        VNISetArrayElement(array, static_cast<uint32_t>(i), string);
        VNIRelease(string);
    }
    VNIObject* name = VNIAllocString(function.c_str());
    VNIObject* result = VNICallLibraryFunction(m_plugin, name, array);
    VNIRelease(name);
    VNIRelease(array);
    if (arguments) GSScriptInstance::ReleaseReference(argumentsReference);

    if (VNIGetObjectClass(result) == VNI_CLASS_STRING)
        stack->PushPString(context, Vek::PString(VNIGetStringText(result)));
    VNIRelease(result);
}

void GSOLibrary::AddSystemMenuIcon(GSStack* stack, bool flag) {
    if (!m_spec) return;
    GSOAsset* asset = nullptr;
    if (!GSRuntime::GetParam<GSOAsset>(stack, 1, asset)) return;
    Vek::PString first;
    Vek::PString second;
    if (!GSRuntime::GetPStringParam(stack, 2, true, first)) return;
    if (!GSRuntime::GetPStringParam(stack, 3, true, second)) return;
    if (VorlexScriptContext* context = GetVorlexContext())
        context->SetSystemMenuIcon(this, asset->GetKUID(), first, second, flag);
}

void GSOLibrary::NativeAddSystemMenuIcon(GSStack* stack) { AddSystemMenuIcon(stack, true); }

void GSOLibrary::NativeGetOnlineAccess(GSStack* stack) {
    if (!m_spec) return;
    // FindOrCreate's count goes to the caller.
    stack->PushNewObject(GSOOnlineAccess::FindOrCreate(m_spec->GetKuid(), GetContext()),
                         GSOOnlineAccess::GetScriptClass());
}

void GSOLibrary::NativeAddSystemMenuIconFlag(GSStack* stack) { AddSystemMenuIcon(stack, stack->Local(4) != 0); }

void GSOLibrary::NativeBlinkSystemMenuIcon(GSStack* stack) {
    if (VorlexScriptContext* context = GetVorlexContext())
        context->BlinkSystemMenuIcon(this, static_cast<int>(stack->Local(1)));
}

void GSOLibrary::NativeRemoveSystemMenuIcon(GSStack*) {
    if (VorlexScriptContext* context = GetVorlexContext())
        context->SetSystemMenuIcon(this, KUID(), Vek::PString(""), Vek::PString(""), false);
}

void GSOLibrary::NativeShowSystemMenuIconMenu(GSStack* stack) {
    if (VorlexScriptContext* context = GetVorlexContext()) context->ShowSystemMenuIconMenu(this, stack);
}

void GSOLibrary::NativeHideSystemMenuIconMenu(GSStack* stack) {
    if (VorlexScriptContext* context = GetVorlexContext()) context->HideSystemMenuIconMenu(this, stack);
}

VNIObject* GetPluginContext(VorlexScriptContext* context) {
    if (!context->GetPluginContext()) context->SetPluginContext(VNIAllocContext());
    return static_cast<VNIObject*>(context->GetPluginContext());
}

namespace {

SpecHandle FindLibrarySpec(const KUID& kuid) { return GetSpecForKuid(kuid, &IsGSOLibrarySpec, 0); }
bool IsSharedLibrary(AssetSpec* spec) { return static_cast<GSOLibrarySpec*>(spec)->IsShared(); }
GSOLibrary* CreateLibrary(AssetSpec* spec, VorlexScriptContext* context) {
    return static_cast<GSOLibrarySpec*>(spec)->CreateLibrary(context);
}
void InitLibrary(GSOLibrary* library) { library->CallScriptInit(); }
ScriptableObject* AsScriptable(GSOLibrary* library) { return library; }
WorldListItem* AsListItem(GSOLibrary* library) { return library; }
GSOLibrary* FromListItem(WorldListItem* item) { return dynamic_cast<GSOLibrary*>(item); }

void ReleaseContext(void* pluginContext) {
    auto* context = static_cast<VNIObject*>(pluginContext);
    ReleasePluginContext(context);
    VNIRelease(context);
}

}  // namespace

void RegisterLibraryNatives() {
    ScriptLibraryFactory factory;
    factory.findLibrarySpec = &FindLibrarySpec;
    factory.isShared = &IsSharedLibrary;
    factory.create = &CreateLibrary;
    factory.callScriptInit = &InitLibrary;
    factory.asScriptable = &AsScriptable;
    factory.asListItem = &AsListItem;
    factory.fromListItem = &FromListItem;
    VorlexScriptContext::SetScriptLibraryFactory(factory);
    VorlexScriptContext::SetPluginContextRelease(&ReleaseContext);

    static const MemberNative<GSOLibrary> kNatives[] = {
        {"$OnlineAccess@Library::GetOnlineAccess()", &GSOLibrary::NativeGetOnlineAccess},
        {"$string@Library::LibraryCallNative(string,string[],GSObject[])", &GSOLibrary::NativeLibraryCallNative},
        {"$void@Library::AddSystemMenuIcon(Asset,string,string)", &GSOLibrary::NativeAddSystemMenuIcon},
        {"$void@Library::AddSystemMenuIcon(Asset,string,string,bool)", &GSOLibrary::NativeAddSystemMenuIconFlag},
        {"$void@Library::BlinkSystemMenuIcon(int)", &GSOLibrary::NativeBlinkSystemMenuIcon},
        {"$void@Library::RemoveSystemMenuIcon()", &GSOLibrary::NativeRemoveSystemMenuIcon},
        {"$void@Library::ShowSystemMenuIconMenu(Menu)", &GSOLibrary::NativeShowSystemMenuIconMenu},
        {"$void@Library::HideSystemMenuIconMenu()", &GSOLibrary::NativeHideSystemMenuIconMenu},
    };
    RegisterMemberNatives("Library", kNatives);
}

}  // namespace GSNatives
