// The natives of the script class VorlexGameObject, run on scriptable
// objects: issuing, re-issuing, merging and validating security tokens.
// Each first asks the object for its AssetSpec and, without one, returns at
// once without a result.
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOSecurityToken.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/ScriptableObject.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/natives/GSCPPNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using GSRuntime::GSStack;

namespace {

// Pushes a new token (or null), handing over its creation count.
void PushNewToken(GSStack* stack, GSOSecurityToken* token) {
    if (!token) {
        stack->Push(0);
        return;
    }
    stack->PushNewObject(token, GetScriptClass(ScriptClass::SecurityToken));
}

}  // namespace

void ScriptableObject::NativeIssueSecurityToken(GSStack* stack) {
    if (!GetSpec()) return;
    GSOKUID* owner = nullptr;
    GSRuntime::GSArray* rights = nullptr;
    if (!GSRuntime::GetParam(stack, 1, owner) || !GSRuntime::GetParam(stack, 2, rights)) return;
    PushNewToken(stack, new GSOSecurityToken(GetContext(), this, owner->GetKUID(), rights));
}

void ScriptableObject::NativeReIssueSecurityToken(GSStack* stack) {
    if (!GetSpec()) return;
    GSOSecurityToken* token = nullptr;
    GSOKUID* owner = nullptr;
    GSRuntime::GSArray* rights = nullptr;
    if (!GSRuntime::GetParam(stack, 1, token) || !GSRuntime::GetParam(stack, 2, owner) ||
        !GSRuntime::GetParam(stack, 3, rights))
        return;
    PushNewToken(stack, GSOSecurityToken::ReIssueToken(*token, this, owner->GetKUID(), rights));
}

void ScriptableObject::NativeMergeSecurityTokens(GSStack* stack) {
    if (!GetSpec()) return;
    GSRuntime::GSArray* tokens = nullptr;
    if (!GSRuntime::GetParam(stack, 1, tokens)) return;
    PushNewToken(stack, GSOSecurityToken::MergeTokens(this, tokens));
}

void ScriptableObject::NativeValidateByIssuer(GSStack* stack) {
    SpecHandle spec = GetSpec();
    if (!spec) return;
    GSOSecurityToken* token = nullptr;
    ScriptableObject* issuer = nullptr;
    Vek::PString right;
    if (!GSRuntime::GetParam(stack, 1, token) || !GSRuntime::GetParam(stack, 2, issuer) ||
        !GSRuntime::GetPStringParam(stack, 3, true, right))
        return;
    stack->Push(token->HasRight(issuer, right, spec.GetKuid()) ? 1u : 0u);
}

void ScriptableObject::NativeValidateByKUID(GSStack* stack) {
    SpecHandle spec = GetSpec();
    if (!spec) return;
    GSOSecurityToken* token = nullptr;
    GSOKUID* issuerKUID = nullptr;
    Vek::PString right;
    if (!GSRuntime::GetParam(stack, 1, token) || !GSRuntime::GetParam(stack, 2, issuerKUID) ||
        !GSRuntime::GetPStringParam(stack, 3, true, right))
        return;
    const ScriptableObject* issuer = token->FindIssuerByKUID(issuerKUID->GetKUID());
    stack->Push(issuer && token->HasRight(issuer, right, spec.GetKuid()) ? 1u : 0u);
}

void RegisterVorlexGameObjectNatives() {
    using Native = GSRuntime::GSCPPNativeFunction<ScriptableObject>;
    struct Row {
        const char* signature;
        Native::Member member;
    };
    static const Row kRows[] = {
        {"$SecurityToken@VorlexGameObject::IssueSecurityToken(KUID,string[])",
         &ScriptableObject::NativeIssueSecurityToken},
        {"$SecurityToken@VorlexGameObject::IssueSecurityToken(SecurityToken,KUID,string[])",
         &ScriptableObject::NativeReIssueSecurityToken},
        {"$SecurityToken@VorlexGameObject::MergeSecurityTokens(SecurityToken[])",
         &ScriptableObject::NativeMergeSecurityTokens},
        {"$bool@VorlexGameObject::Validate(SecurityToken,VorlexGameObject,string)",
         &ScriptableObject::NativeValidateByIssuer},
        {"$bool@VorlexGameObject::Validate(SecurityToken,KUID,string)", &ScriptableObject::NativeValidateByKUID},
    };
    const Vek::PString className("VorlexGameObject");
    for (const Row& row : kRows)
        GSRuntime::GSRegisterNative(new Native(className, Vek::PString(row.signature), row.member));
}

}  // namespace GSNatives
