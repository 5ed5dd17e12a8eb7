#include "gsnatives/GSOSecurityToken.h"

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/specs/GetSpecForKuid.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/log/LogPrintf.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/ScriptableObject.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSCPPNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"

namespace GSNatives {

namespace {

SpecHandle DatabaseBaseSpec(const KUID& kuid) { return GetVorlexBaseSpec(kuid, 0); }

LocalModificationQueries g_queries;

ScriptableObject* LiveIssuer(const GSOSecurityToken::IssuerGrants& grants) {
    return static_cast<ScriptableObject*>(grants.issuer.Get());
}

}  // namespace

void SetLocalModificationQueries(const LocalModificationQueries& queries) { g_queries = queries; }

bool GSOSecurityToken::OwnerLess::operator()(const KUID& a, const KUID& b) const {
    const uint32_t aw[3] = {static_cast<uint32_t>(a.GetUserID()), static_cast<uint32_t>(a.GetContentID()),
                            static_cast<uint32_t>(a.GetVersion())};
    const uint32_t bw[3] = {static_cast<uint32_t>(b.GetUserID()), static_cast<uint32_t>(b.GetContentID()),
                            static_cast<uint32_t>(b.GetVersion())};
    for (int i = 0; i < 3; ++i)
        if (aw[i] != bw[i]) return aw[i] < bw[i];
    return false;
}

bool GSOSecurityToken::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::SecurityToken); }

void GSOSecurityToken::BindToClass(GSRuntime::GSContext* context) {
    BindClass(GetScriptClass(ScriptClass::SecurityToken), context);
}

GSOSecurityToken::GSOSecurityToken(GSRuntime::GSContext* context, ScriptableObject* issuer, const KUID& owner,
                                   GSRuntime::GSArray* rights) {
    if (issuer) AssignRightsFromArray(OwnersOf(issuer)[owner], rights);
    BindToClass(context);
}

GSOSecurityToken::GSOSecurityToken(GSRuntime::GSContext* context, const GSOSecurityToken& source) {
    for (const auto& [identity, grants] : source.m_grants) {
        ScriptableObject* issuer = LiveIssuer(grants);
        if (issuer) OwnersOf(issuer) = grants.owners;
    }
    BindToClass(context);
}

GSOSecurityToken::~GSOSecurityToken() { m_grants.clear(); }

GSOSecurityToken::OwnedMap& GSOSecurityToken::OwnersOf(ScriptableObject* issuer) {
    ScriptSource* source = issuer;
    IssuerGrants& entry = m_grants[source];
    if (entry.issuer.Get() != source) {
        // New, or left by an issuer that is gone and whose place this one took.
        entry.owners.clear();
        entry.issuer.Set(source);
    }
    return entry.owners;
}

const GSOSecurityToken::IssuerGrants* GSOSecurityToken::FindIssuer(const ScriptableObject* issuer) const {
    if (!issuer) return nullptr;
    const ScriptSource* source = issuer;
    auto it = m_grants.find(source);
    if (it == m_grants.end() || it->second.issuer.Get() != source) return nullptr;
    return &it->second;
}

void GSOSecurityToken::AssignRightsFromArray(RightsSet& set, GSRuntime::GSArray* rights) {
    set.clear();
    if (!rights || !rights->ElementsAreReferences()) return;
    for (int32_t i = 0; i < rights->GetCount(); ++i) {
        GSRuntime::GSDataRef element = 0;
        if (!rights->GetElementReference(i, element, false) || !element) continue;
        if (const GSRuntime::GSString* text = GSRuntime::GSString::FromReference(element))
            set.insert(Vek::PString(text->c_str()));
    }
}

ScriptableObject* GSOSecurityToken::FindIssuerByKUID(const KUID& kuid) const {
    for (const auto& [identity, grants] : m_grants) {
        ScriptableObject* issuer = LiveIssuer(grants);
        if (issuer && issuer->GetAssetKUID() == kuid) return issuer;
    }
    return nullptr;
}

bool GSOSecurityToken::HasRight(const ScriptableObject* issuer, const Vek::PString& right, const KUID& owner) const {
    const IssuerGrants* grants = FindIssuer(issuer);
    if (!grants) return false;
    auto it = grants->owners.find(owner);
    return it != grants->owners.end() && it->second.count(right) != 0;
}

GSOSecurityToken* GSOSecurityToken::MergeTokens(ScriptableObject* caller, GSRuntime::GSArray* tokens) {
    if (!tokens || !tokens->ElementsAreReferences()) return nullptr;
    GSRuntime::GSContext* context = caller ? caller->GetContext() : nullptr;
    GSOSecurityToken* result = nullptr;
    for (int32_t i = 0; i < tokens->GetCount(); ++i) {
        GSRuntime::GSDataRef element = 0;
        if (!tokens->GetElementReference(i, element, false) || !element) continue;
        const auto* token = dynamic_cast<const GSOSecurityToken*>(GSRuntime::GSScriptInstance::OwnerOf(element));
        if (!token) continue;
        if (!result) {
            result = new GSOSecurityToken(context, *token);
            if (!result) return nullptr;
            continue;
        }
        for (const auto& [identity, grants] : token->m_grants) {
            ScriptableObject* issuer = LiveIssuer(grants);
            if (!issuer) continue;
            OwnedMap& owners = result->OwnersOf(issuer);
            for (const auto& [owner, rights] : grants.owners) owners[owner].insert(rights.begin(), rights.end());
        }
    }
    return result;
}

GSOSecurityToken* GSOSecurityToken::ReIssueToken(const GSOSecurityToken& source, ScriptableObject* caller,
                                                 const KUID& newOwner, GSRuntime::GSArray* rights) {
    RightsSet requested;
    AssignRightsFromArray(requested, rights);
    if (requested.empty() || !caller) return nullptr;
    const KUID callerKUID = caller->GetAssetKUID();
    const Vek::PString duplicate(kDuplicateRight);

    bool isIssuer = false;
    bool mayDuplicate = false;
    RightsSet granted;
    for (const auto& [identity, grants] : source.m_grants) {
        ScriptableObject* issuer = LiveIssuer(grants);
        if (!issuer) continue;
        if (issuer == caller) isIssuer = true;
        for (const auto& [owner, set] : grants.owners) {
            if (!(owner == callerKUID) || !set.count(duplicate)) continue;
            mayDuplicate = true;
            for (const Vek::PString& right : requested)
                if (set.count(right)) granted.insert(right);
            break;
        }
        if (mayDuplicate) break;
    }
    if (!isIssuer && !mayDuplicate) {
        LogPrintf("GSOSecurityToken::ReIssueToken> Unauthorised attempt made to re-issue security token (%s)",
                  callerKUID.ToTagString().c_str());
        return nullptr;
    }

    GSOSecurityToken* result = new GSOSecurityToken(caller->GetContext(), source);
    if (!result) return nullptr;
    OwnedMap& owners = result->OwnersOf(caller);
    if (!isIssuer) {
        // An owner holding "duplicate-token": the caller's entry gives the new
        // owner the requested rights that its "duplicate-token" set holds,
        // in place of whatever the copy held for the caller.
        owners.clear();
        owners[newOwner] = granted;
        return result;
    }
    // An issuer of the source keeps the source's grants. Unless it also
    // holds "duplicate-token", its entry for its own asset is narrowed to
    // the requested rights. The new owner receives, from the caller, the
    // requested rights: those it may grant as their issuer.
    if (!mayDuplicate) {
        auto own = owners.find(callerKUID);
        if (own != owners.end())
            for (auto it = own->second.begin(); it != own->second.end();)
                it = requested.count(*it) ? std::next(it) : own->second.erase(it);
    }
    owners[newOwner].insert(requested.begin(), requested.end());
    return result;
}

bool IsAssetLocallyModified(const KUID& kuid) {
    auto getSpec = g_queries.getBaseSpec ? g_queries.getBaseSpec : &DatabaseBaseSpec;
    auto ask = g_queries.isLocallyModified ? g_queries.isLocallyModified : &VADIsAssetLocallyModified;
    SpecHandle spec = getSpec(kuid);
    VorlexBaseSpec* base = spec.AsVorlexBaseSpec();
    if (!base) return false;
    if (!base->IsLocalModificationKnown()) base->SetLocallyModified(ask(base->GetKuid()));
    return base->IsLocallyModified();
}

bool GSOSecurityToken::IsOwnerLocallyModified() const {
    for (const auto& [identity, grants] : m_grants)
        for (const auto& [owner, rights] : grants.owners)
            if (IsAssetLocallyModified(owner)) return true;
    return false;
}

void GSOSecurityToken::NativeIsOwnerLocallyModified(GSRuntime::GSStack* stack) {
    stack->Push(IsOwnerLocallyModified() ? 1u : 0u);
}

void RegisterSecurityTokenNatives() {
    GSRuntime::GSRegisterNative(new GSRuntime::GSCPPNativeFunction<GSOSecurityToken>(
        Vek::PString("SecurityToken"), Vek::PString("$bool@SecurityToken::IsOwnerLocallyModified()"),
        &GSOSecurityToken::NativeIsOwnerLocallyModified));
}

}  // namespace GSNatives
