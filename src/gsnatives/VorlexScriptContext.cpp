#include "gsnatives/VorlexScriptContext.h"

#include "assetdb/worlds/WorldListItem.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/soups/SoupPrinting.h"
#include "gsnatives/DelayedInitClient.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/ScriptableObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptSoupBounds.h"

namespace GSNatives {

namespace {

ScriptLibraryFactory g_libraryFactory;
AssetObjectCache g_assetObjects;
void (*g_releasePluginContext)(void* pluginContext) = nullptr;

bool FactoryComplete(const ScriptLibraryFactory& f) {
    return f.findLibrarySpec && f.isShared && f.create && f.callScriptInit && f.asScriptable && f.asListItem &&
           f.fromListItem;
}

}  // namespace

void VorlexScriptContext::SetScriptLibraryFactory(const ScriptLibraryFactory& factory) { g_libraryFactory = factory; }
void VorlexScriptContext::SetAssetObjectCache(const AssetObjectCache& cache) { g_assetObjects = cache; }
void VorlexScriptContext::SetPluginContextRelease(void (*release)(void*)) { g_releasePluginContext = release; }

VorlexScriptContext::VorlexScriptContext(bool shared) : GSContext(true, shared), m_libraries(this) {}

VorlexScriptContext::~VorlexScriptContext() {
    m_libraries.DeleteAllItems();
    if (m_pluginContext) {
        if (g_releasePluginContext) g_releasePluginContext(m_pluginContext);
        m_pluginContext = nullptr;
    }
    if (g_assetObjects.purge) g_assetObjects.purge(this);
    GSOKUID::PurgeContext(this);
    // The clients still waiting are let go now: the scriptable objects that
    // the GSContext teardown destroys later must not reach back into a
    // manager that is gone by then.
    for (std::size_t i = 0; i < WaitingCount(); ++i)
        if (DelayedInitClient* client = WaitingAt(i)) client->ClearInitFlags(DelayedInitClient::kRegistered);
    SetWalking(true);
    for (std::size_t i = 0; i < WaitingCount(); ++i) Unregister(WaitingAt(i));
    SetWalking(false);
}

void VorlexScriptContext::SetSystemMenuIcon(GSOLibrary*, const KUID&, const Vek::PString&, const Vek::PString&, bool) {}
void VorlexScriptContext::BlinkSystemMenuIcon(GSOLibrary*, int) {}
void VorlexScriptContext::ShowSystemMenuIconMenu(GSOLibrary*, GSRuntime::GSStack*) {}
void VorlexScriptContext::HideSystemMenuIconMenu(GSOLibrary*, GSRuntime::GSStack*) {}
bool VorlexScriptContext::Query(const KUID&) { return true; }

void VorlexScriptContext::SystemCall(SoupHandle& result, const Vek::PString& /*name*/, const SoupHandle& arguments) {
    // The text form is bounded as every text form of a script's soup.
    if (LogSoupAsTextWithin(arguments, GSRuntime::ScriptSoupWalkLimit()) == TextSoupWrite::kTooLarge)
        LogPrintf("VorlexSystemCall> arguments too large to log");
    result = SoupHandle();
}

bool VorlexScriptContext::OpenURL(const Vek::PString&) { return false; }
void VorlexScriptContext::OnLibraryCreated(GSOLibrary*) {}
VorlexScriptContext* VorlexScriptContext::GetParentContext() { return nullptr; }

ScriptableObject* VorlexScriptContext::GetLibraryObject(GSOLibrary* library) {
    return library && g_libraryFactory.asScriptable ? g_libraryFactory.asScriptable(library) : nullptr;
}

GSRuntime::GSObject* VorlexScriptContext::GetAssetObject(const KUID& kuid) {
    return g_assetObjects.get ? g_assetObjects.get(this, kuid) : nullptr;
}

GSOLibrary* VorlexScriptContext::GetScriptLibrary(const KUID& kuid) {
    if (kuid.IsNull()) return nullptr;
    const ScriptLibraryFactory& factory = g_libraryFactory;
    SpecHandle spec;
    if (FactoryComplete(factory)) spec = factory.findLibrarySpec(kuid);
    if (!spec) {
        LogPrintf("VorlexScriptContext::GetScriptLibrary> unable to find Library %s", kuid.ToTagString().c_str());
        return nullptr;
    }

    for (int32_t id = 0; id < m_libraries.GetSlotCount(); ++id) {
        WorldListItem* item = m_libraries.GetItem(id);
        GSOLibrary* library = item ? factory.fromListItem(item) : nullptr;
        if (!library) continue;
        if (factory.asScriptable(library)->GetSpec().Get() == spec.Get()) {
            factory.callScriptInit(library);
            return library;
        }
    }

    if (factory.isShared(spec.Get()))
        if (VorlexScriptContext* parent = GetParentContext()) return parent->GetScriptLibrary(kuid);

    if (IsLibraryListLocked()) {
        LogPrintf("VorlexScriptContext::GetScriptLibrary> attempted while list is locked");
        return nullptr;
    }

    GSOLibrary* library = factory.create(spec.Get(), this);
    if (!library) {
        LogPrintf("VorlexScriptContext::GetScriptLibrary> unable to create instance of Library %s",
                  kuid.ToTagString().c_str());
        return nullptr;
    }
    WorldListItem* item = factory.asListItem(library);
    m_libraries.AddItem(item);
    OnLibraryCreated(library);
    factory.callScriptInit(library);

    ScriptableObject* object = factory.asScriptable(library);
    if (object->HasFailed()) {
        LogPrintf("VorlexScriptContext::GetScriptLibrary> script failure on Library %s", kuid.ToTagString().c_str());
        m_libraries.RemoveItem(item);
        // The object's own count on its instance goes, which deletes it; an
        // object that never got an instance is deleted directly.
        if (const GSRuntime::GSDataRef reference = object->GetReference())
            GSRuntime::GSScriptInstance::Release(GSRuntime::GSScriptInstance::FromReference(reference));
        else
            delete object;
        return nullptr;
    }
    return library;
}

float NormalizedSystemTime(const TTimeDate& time) {
    float seconds = static_cast<float>(time.Minute()) * 60.0f + static_cast<float>(time.Hour()) * 3600.0f;
    seconds += static_cast<float>(time.Second());
    float fraction = seconds / 86400.0f + 0.5f;
    if (fraction > 1.0f) fraction -= 1.0f;
    return fraction;
}

}  // namespace GSNatives
