#pragma once
// GSOSecurityToken: the native holder of the script class SecurityToken, a
// grant of named rights. An issuer (a scriptable object standing for an
// asset) gives a set of rights, plain strings chosen by scripts, to the
// owner of another asset, named by its KUID:
//     grants: issuer -> (owner KUID -> rights)
// A token never changes after it is made: merging and re-issuing build new
// tokens from copies. "duplicate-token" is the one right with a meaning
// here: its owner may re-issue the rights it holds to a further owner.
//
// A token refers to its issuers through safe pointers, so an issuer that is
// destroyed while tokens naming it live on is never called: its entries
// grant nothing from then on and are left out of copies. Entries are kept
// in the order of the issuers' identities.
#include <cstdint>
#include <cstring>
#include <map>
#include <set>

#include "assetdb/specs/SafePointer.h"
#include "assetdb/specs/SpecHandle.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "gsnatives/ScriptSource.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSArray;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class ScriptableObject;

class GSOSecurityToken : public GSRuntime::GSObject {
public:
    // Right names, compared exactly.
    struct RightLess {
        bool operator()(const Vek::PString& a, const Vek::PString& b) const {
            return std::strcmp(a.c_str(), b.c_str()) < 0;
        }
    };
    // Owners by user, content and version, each as an unsigned word.
    struct OwnerLess {
        bool operator()(const KUID& a, const KUID& b) const;
    };
    using RightsSet = std::set<Vek::PString, RightLess>;
    using OwnedMap = std::map<KUID, RightsSet, OwnerLess>;
    struct IssuerGrants {
        SafePointer<ScriptSource> issuer;  // null once the issuer is gone
        OwnedMap owners;
    };
    using Grants = std::map<const void*, IssuerGrants>;

    static constexpr const char* kDuplicateRight = "duplicate-token";

    // { issuer -> { owner -> the rights of `rights` } }, bound to the class
    // SecurityToken in `context`.
    GSOSecurityToken(GSRuntime::GSContext* context, ScriptableObject* issuer, const KUID& owner,
                     GSRuntime::GSArray* rights);
    // A deep copy of `source`'s grants (the live issuers'), bound to the
    // class SecurityToken in `context`; without the class the object stays
    // without instance.
    GSOSecurityToken(GSRuntime::GSContext* context, const GSOSecurityToken& source);
    ~GSOSecurityToken() override;

    // Empties `set`, then adds the text of every script string element of
    // `rights` (other elements are skipped; equal names collapse).
    static void AssignRightsFromArray(RightsSet& set, GSRuntime::GSArray* rights);

    // The first live issuer, in grants order, whose asset KUID is `kuid`.
    ScriptableObject* FindIssuerByKUID(const KUID& kuid) const;
    // Whether the live issuer `issuer` gives `right` to `owner`.
    bool HasRight(const ScriptableObject* issuer, const Vek::PString& right, const KUID& owner) const;
    // Whether the asset of any owner in the token is locally modified.
    bool IsOwnerLocallyModified() const;

    // The union of the tokens of the array (other elements skipped) as a
    // new token in the caller's context; null when it holds none.
    static GSOSecurityToken* MergeTokens(ScriptableObject* caller, GSRuntime::GSArray* tokens);
    // `source` re-issued by `caller` to `newOwner` with the requested
    // rights: allowed to an issuer of the source and to an owner holding
    // "duplicate-token"; null when refused or nothing is requested.
    static GSOSecurityToken* ReIssueToken(const GSOSecurityToken& source, ScriptableObject* caller,
                                          const KUID& newOwner, GSRuntime::GSArray* rights);

    const Grants& GetGrants() const { return m_grants; }
    // The entry of a live issuer; null when it has none.
    const IssuerGrants* FindIssuer(const ScriptableObject* issuer) const;

    // "$bool@SecurityToken::IsOwnerLocallyModified()".
    void NativeIsOwnerLocallyModified(GSRuntime::GSStack* stack);

    // Binds the class SecurityToken of "SecurityToken.gsl".
    static bool ResolveScriptClass();

private:
    GSOSecurityToken() = default;
    // The owned map of `issuer`, made (or taken over from a dead entry at
    // the same identity) when it has none.
    OwnedMap& OwnersOf(ScriptableObject* issuer);
    void BindToClass(GSRuntime::GSContext* context);

    Grants m_grants;
};

// How a token learns whether an owner's asset is locally modified: the
// asset's base AssetSpec, and the asset database's answer, which is cached
// on that AssetSpec. Tests put their own in place; null functions restore
// the database's.
struct LocalModificationQueries {
    SpecHandle (*getBaseSpec)(const KUID& kuid) = nullptr;
    bool (*isLocallyModified)(const KUID& kuid) = nullptr;
};
void SetLocalModificationQueries(const LocalModificationQueries& queries);
// Whether an asset is locally modified: asked of the database once per base
// AssetSpec and cached there; false for an asset without one.
bool IsAssetLocallyModified(const KUID& kuid);

// Registers the native of SecurityToken.
void RegisterSecurityTokenNatives();

}  // namespace GSNatives
