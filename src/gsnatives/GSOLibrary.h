#pragma once
// GSOLibrary: the object of a library asset in a script context. It is a
// scriptable object whose script is the library's script (a class derived
// from "Library"), kept in the context's library list, optionally backed by
// the asset's native plug-in library, and able to show an icon in the
// host's system menu: a "click" notice with the icon's menu value reaches
// the script as the message "Interface", "ClickSystemButton".
//
// Its script is initialised once (CallScriptInit). Saved properties that
// LoadState reads wait until then and go to the script's SetProperties.
#include <cstdint>

#include "VorlexNativeInterface.h"
#include "assetdb/specs/SpecHandle.h"
#include "assetdb/worlds/WorldListItem.h"
#include "foundation/notifications/NuMessageRecipient.h"
#include "foundation/soups/SoupHandle.h"
#include "gsnatives/ScriptableObject.h"

namespace GSNatives {

class GSOLibrarySpec;
class VorlexScriptContext;

class GSOLibrary : public ScriptableObject, public WorldListItem, public NuMessageRecipient {
public:
    // A new library object; null when memory runs out.
    static GSOLibrary* Create(GSOLibrarySpec* spec, VorlexScriptContext* context);
    // Registers with the context's delayed initialisation, keeps a reference
    // to `spec`, and loads the AssetSpec's native plug-in (when it names one)
    // with the context's plug-in context.
    GSOLibrary(VorlexScriptContext* context, GSOLibrarySpec* spec);
    // Removes the menu icon, releases the plug-in, the properties and the
    // AssetSpec.
    ~GSOLibrary() override;

    // Binds the class "Library" of "Library.gsl"; false when it is missing.
    static bool ResolveScriptClass();

    // ---- ScriptableObject ----
    SpecHandle GetSpec() const override;

    // Runs the initialisation steps still pending (binding, Init(Asset),
    // properties) the first time only, logs a failure, then hands waiting
    // properties to the script.
    void CallScriptInit();
    // The script's property soup ("$Soup@PropertyObject::GetProperties()");
    // null for a failed object or a failed call (logged).
    SoupHandle GetProperties();

    // ---- WorldListItem ----
    // Reads a word (not used) and an "ACS$" soup: the properties, applied
    // at once when the script is initialised, else when it is.
    void LoadState(TStream& stream) override;
    // The word 0 and the properties as an "ACS$" soup; nothing when there
    // are none.
    void SaveState(TStream& stream) override;
    const KUID& GetKUID() const override;
    uint32_t GetFactoryType() const override { return WorldFactoryType("gslb"); }

    // ---- NuMessageRecipient ----
    // A "click" notice whose value is the menu value (not 0) goes to the
    // script; anything else to the forward target, else answers 1.
    int HandleMessage(const NuMessageData& message) override;

    int32_t GetMenuValue() const { return m_menuValue; }
    void SetMenuValue(int32_t value) { m_menuValue = value; }
    VNIObject* GetPlugin() const { return m_plugin; }
    bool IsInitialised() const { return m_initialised; }
    bool HasLibraryProperties() const { return m_libraryPropertiesPending; }

    // The natives, in registration order (RegisterLibraryNatives).
    void NativeGetOnlineAccess(GSRuntime::GSStack* stack);
    void NativeLibraryCallNative(GSRuntime::GSStack* stack);
    void NativeAddSystemMenuIcon(GSRuntime::GSStack* stack);
    void NativeAddSystemMenuIconFlag(GSRuntime::GSStack* stack);
    void NativeBlinkSystemMenuIcon(GSRuntime::GSStack* stack);
    void NativeRemoveSystemMenuIcon(GSRuntime::GSStack* stack);
    void NativeShowSystemMenuIconMenu(GSRuntime::GSStack* stack);
    void NativeHideSystemMenuIconMenu(GSRuntime::GSStack* stack);

private:
    void ApplyLibraryProperties();
    void AddSystemMenuIcon(GSRuntime::GSStack* stack, bool flag);

    SpecHandle m_spec;
    bool m_initialised = false;
    SoupHandle m_libraryProperties;
    int32_t m_menuValue = 0;
    bool m_libraryPropertiesPending = false;
    VNIObject* m_plugin = nullptr;
};

// The plug-in context of a script context, made on first need; the context
// releases it when it ends (installed by RegisterLibraryNatives).
VNIObject* GetPluginContext(VorlexScriptContext* context);

// Installs how script contexts make and find library objects and release
// their plug-in contexts, then registers the natives of the class
// "Library".
void RegisterLibraryNatives();

}  // namespace GSNatives
