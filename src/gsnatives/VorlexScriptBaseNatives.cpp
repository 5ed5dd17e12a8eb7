// The natives of the script class VorlexScriptBase: functions of time,
// version, logging and asset access that belong to the script context of
// the object a script calls them on.
#include "foundation/callbacks/ProgramTime.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/ScriptLocalClock.h"
#include "gsnatives/ScriptableObject.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSScriptSoupBounds.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSCPPContextNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using GSRuntime::GSStack;

void VorlexScriptContext::NativeGetSeconds(GSStack* stack) { stack->PushFloat(GetProgramTimeF()); }

void VorlexScriptContext::NativeGetNormalizedSystemTime(GSStack* stack) {
    stack->PushFloat(NormalizedSystemTime(ReadScriptLocalTime()));
}

void VorlexScriptContext::NativeGetSystemYear(GSStack* stack) { stack->Push(ReadScriptLocalTime().Year()); }
void VorlexScriptContext::NativeGetSystemMonth(GSStack* stack) { stack->Push(ReadScriptLocalTime().Month()); }
void VorlexScriptContext::NativeGetSystemDate(GSStack* stack) { stack->Push(ReadScriptLocalTime().Day()); }
void VorlexScriptContext::NativeGetSystemHour(GSStack* stack) { stack->Push(ReadScriptLocalTime().Hour()); }
void VorlexScriptContext::NativeGetSystemMinute(GSStack* stack) { stack->Push(ReadScriptLocalTime().Minute()); }
void VorlexScriptContext::NativeGetSystemSecond(GSStack* stack) { stack->Push(ReadScriptLocalTime().Second()); }

void VorlexScriptContext::NativeGetLibrary(GSStack* stack) {
    GSOKUID* kuid = nullptr;
    if (!GSRuntime::GetParam(stack, 1, kuid)) return;
    ScriptableObject* library = GetLibraryObject(GetScriptLibrary(kuid->GetKUID()));
    if (!library) {
        stack->Push(0);
        return;
    }
    stack->PushObject(library, GetScriptClass(ScriptClass::Library));
}

void VorlexScriptContext::NativeVorlexSystemCall(GSStack* stack) {
    Vek::PString name;
    GSOSoup* arguments = nullptr;
    if (!GSRuntime::GetPStringParam(stack, 1, false, name) || !GSRuntime::GetParam(stack, 2, arguments)) return;
    if (!GSRuntime::ScriptSoupWithinLimit(arguments->GetSoup(), "VorlexScriptBase.VorlexSystemCall")) return;
    SoupHandle result;
    SystemCall(result, name, arguments->GetSoup());
    GSOSoup* answer = GSOSoup::Create(this, result, true);
    if (answer)
        stack->PushNewObject(answer, GSOSoup::GetScriptClass());
    else
        stack->Push(0);
}

void VorlexScriptContext::NativeCloneKUID(GSStack* stack) {
    GSOKUID* kuid = nullptr;
    if (!GSRuntime::GetParam(stack, 1, kuid)) return;
    GSOKUID* clone = GSOKUID::GetOrCreate(kuid->GetKUID(), this);
    if (clone)
        stack->PushNewObject(clone, GSOKUID::GetScriptClass());
    else
        stack->Push(0);
}

void VorlexScriptContext::NativeOpenURL(GSStack* stack) {
    Vek::PString url;
    if (!GSRuntime::GetPStringParam(stack, 1, false, url)) return;
    stack->Push(OpenURL(url) ? 1u : 0u);
}

void VorlexScriptContext::NativeLog(GSStack* stack) {
    Vek::PString text;
    if (!GSRuntime::GetPStringParam(stack, 1, true, text)) return;
    if (GSRuntime::GSLogCallback) GSRuntime::GSLogCallback("%s", text.c_str());
}

void VorlexScriptContext::NativeGetVorlexVersion(GSStack* stack) { stack->PushFloat(kVersion); }
void VorlexScriptContext::NativeGetVorlexBuild(GSStack* stack) { stack->Push(static_cast<uint32_t>(kBuild)); }

void RegisterVorlexScriptBaseNatives() {
    using Native = GSRuntime::GSCPPContextNativeFunction<VorlexScriptContext>;
    struct Row {
        const char* signature;
        Native::Member member;
    };
    // The asset search natives of the class are registered with the asset
    // objects.
    static const Row kRows[] = {
        {"$float@VorlexScriptBase::GetSeconds()", &VorlexScriptContext::NativeGetSeconds},
        {"$float@VorlexScriptBase::GetNormalizedSystemTime()", &VorlexScriptContext::NativeGetNormalizedSystemTime},
        {"$int@VorlexScriptBase::GetSystemYear()", &VorlexScriptContext::NativeGetSystemYear},
        {"$int@VorlexScriptBase::GetSystemMonth()", &VorlexScriptContext::NativeGetSystemMonth},
        {"$int@VorlexScriptBase::GetSystemDate()", &VorlexScriptContext::NativeGetSystemDate},
        {"$int@VorlexScriptBase::GetSystemHour()", &VorlexScriptContext::NativeGetSystemHour},
        {"$int@VorlexScriptBase::GetSystemMinute()", &VorlexScriptContext::NativeGetSystemMinute},
        {"$int@VorlexScriptBase::GetSystemSecond()", &VorlexScriptContext::NativeGetSystemSecond},
        {"$Library@VorlexScriptBase::GetLibrary(KUID)", &VorlexScriptContext::NativeGetLibrary},
        {"$Soup@VorlexScriptBase::VorlexSystemCall(string,Soup)", &VorlexScriptContext::NativeVorlexSystemCall},
        {"$bool@VorlexScriptBase::OpenURL(string)", &VorlexScriptContext::NativeOpenURL},
        {"$void@VorlexScriptBase::Log(string)", &VorlexScriptContext::NativeLog},
        {"$float@VorlexScriptBase::GetVorlexVersion()", &VorlexScriptContext::NativeGetVorlexVersion},
        {"$int@VorlexScriptBase::GetVorlexBuild()", &VorlexScriptContext::NativeGetVorlexBuild},
        {"$KUID@VorlexScriptBase::CloneKUID(KUID)", &VorlexScriptContext::NativeCloneKUID},
    };
    const Vek::PString className("VorlexScriptBase");
    for (const Row& row : kRows)
        GSRuntime::GSRegisterNative(new Native(className, Vek::PString(row.signature), row.member));
}

}  // namespace GSNatives
