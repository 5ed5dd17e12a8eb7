#pragma once
// ScriptableObject: a script game object that belongs to an asset. Its
// script class is the asset's own compiled script class, or, when the
// object carries a source text of its own, the class "CustomObject" compiled
// from that text. Binding and initialisation do not happen in the
// constructor: the object registers with its context's delayed-
// initialisation manager and comes up in three steps:
//  1. nothing but the flag;
//  2. binding: the script class is taken (GetScriptClass, AcceptClass) and
//     the object bound to it; `failed` stays set until an instance exists;
//  3. script initialisation (InitScript): the node joins the router, the
//     script receives its asset through Init(Asset) and must answer
//     GetAsset() with it, then pending properties go to SetProperties(Soup);
//     the object then runs one update with time step 0.
// A change of the source text after step 3 takes the object down and brings
// it up again with the new text (Rebind). No failure is logged here: every
// one only sets `failed`, which the owner reports.
#include "assetdb/specs/SpecHandle.h"
#include "engine/AnsiString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"
#include "gsnatives/DelayedInitClient.h"
#include "gsnatives/ScriptSource.h"
#include "gsruntime/router/GSGameObject.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSLibrary;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class VorlexScriptContext;

class ScriptableObject : public GSRuntime::GSGameObject, public DelayedInitClient, public ScriptSource {
public:
    // Registers with the context's manager when there is a context.
    explicit ScriptableObject(VorlexScriptContext* context);
    // Leaves the manager, drops the pending soup, nulls the safe pointers to
    // the source, then the game object goes.
    ~ScriptableObject() override;

    // ---- the object's own virtual operations ----
    // Source text empty: the class of the asset's compiled script (null
    // without an AssetSpec). Otherwise the class "CustomObject" compiled from
    // the text (CompileCustomObjectClass); an AssetSpec is required.
    virtual GSRuntime::GSClass* GetScriptClass();
    virtual bool AcceptClass(GSRuntime::GSClass* cls);
    // A counted handle on the asset's AssetSpec; empty when there is none.
    virtual SpecHandle GetSpec() const = 0;
    virtual void BeforeInit() {}
    virtual void BeforeInit2() {}
    virtual void AfterInit() {}

    // ---- DelayedInitClient ----
    void InitStep1() override;
    void InitStep2() override;
    void InitStep3() override;

    // ---- ScriptSource ----
    // The stored text, or the generated default source when none is stored.
    Vek::String GetSourceText() override;
    // A text with other than blanks, tabs and line ends that equals
    // GetSourceText changes nothing; a blank text clears the stored one. A
    // changed text is stored and, once step 3 has run, the object rebound.
    void SetSourceText(Vek::String text) override;
    void WriteSource(TStream& stream) override;
    void ReadSource(TStream& stream) override;

    // The default source: includes "Vorlex.gs" and the asset's script
    // library source ("gs.gs" when none), and derives "CustomObject" from the
    // asset's script class ("GameObject" when none).
    Vek::String GetDefaultSourceText() const;

    // See the class comment, step 3.
    void InitScript();
    // Hands the pending soup to "$void@PropertyObject::SetProperties(Soup)"
    // as a locked soup object; a failed call sets `failed`. The pending soup
    // is dropped in every case.
    void ApplyProperties();
    // With a context and step 3 done: unbinds (threads, handlers and the
    // instance go), leaves the router, then binds and initialises again.
    void Rebind();

    // The KUID of GetSpec()'s AssetSpec; the null KUID without one.
    KUID GetAssetKUID() const;
    VorlexScriptContext* GetVorlexContext() const { return m_context; }
    bool HasFailed() const { return m_failed; }
    void SetFailed(bool failed) { m_failed = failed; }
    // Gives the object a property soup for its script (applied by step 3,
    // or at once by ApplyProperties).
    void SetPendingProperties(const SoupHandle& soup);
    bool HasPendingProperties() const { return m_propertiesPending; }
    const Vek::String& GetStoredSourceText() const { return m_sourceText; }

    // Binds the script class "VorlexGameObject" of "VorlexGameObject.gsl".
    static bool ResolveScriptClass();

    // ---- the natives of VorlexGameObject (arguments from local slot 1) ----
    void NativeIssueSecurityToken(GSRuntime::GSStack* stack);
    void NativeReIssueSecurityToken(GSRuntime::GSStack* stack);
    void NativeMergeSecurityTokens(GSRuntime::GSStack* stack);
    void NativeValidateByIssuer(GSRuntime::GSStack* stack);
    void NativeValidateByKUID(GSRuntime::GSStack* stack);

private:
    // The binding of step 2.
    void BindScript();

    VorlexScriptContext* m_context = nullptr;
    bool m_failed = false;
    bool m_propertiesPending = false;
    SoupHandle m_pendingProperties;
    Vek::String m_sourceText;
};

// True for a text that holds only blanks, tabs, carriage returns and line
// feeds (or nothing).
bool IsBlankSourceText(const char* text);

// Registers the natives of VorlexGameObject.
void RegisterVorlexGameObjectNatives();

}  // namespace GSNatives
