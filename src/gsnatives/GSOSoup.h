#pragma once
// GSOSoup: the native holder of a script "Soup" value. It points at a
// configuration soup (or at nothing) and may be a locked, read-only view.
// Several objects may share one soup: sub-soups, locked references and
// soups stored into other soups share the data; only Soup::Copy duplicates
// it. Every native that would change the soup through a locked object
// refuses with a script exception and leaves the soup unchanged.
//
// A null handle means "no data": reading natives see an empty soup, writing
// natives first give the object a new container of its own.
//
// A soup is never stored into itself or into one of its own sub-soups: such
// a store would make a cycle that the text writers never finish and that
// reference counting never frees, so SetNamedSoup and AddUniqueNamedSoup
// refuse it with a script exception.
#include "foundation/soups/SoupHandle.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOSoup : public GSRuntime::GSObject {
public:
    // Keeps a reference to `soup` and the flag, then binds itself to the
    // class "Soup" in `context` (no script value when the class is not bound).
    GSOSoup(GSRuntime::GSContext* context, SoupHandle soup, bool locked);
    // No data, unlocked.
    explicit GSOSoup(GSRuntime::GSContext* context);
    ~GSOSoup() override;

    // A new object bound to the class "Soup" in `context`, holding its
    // creation count for the caller; null when the script-object heap has no
    // room or the class is not bound.
    static GSOSoup* Create(GSRuntime::GSContext* context, const SoupHandle& soup, bool locked);
    // Binds the class "Soup" of "Soup.gsl"; false when it is missing.
    static bool ResolveScriptClass();
    static GSRuntime::GSClass* GetScriptClass();

    const SoupHandle& GetSoup() const { return m_soup; }
    // The object holds another soup (natives that hand a soup back through
    // their argument).
    void SetSoup(const SoupHandle& soup) { m_soup = soup; }
    bool IsLocked() const { return m_locked; }

    // The natives, in registration order (RegisterSoupNatives).
    void NativeCountTags(GSRuntime::GSStack* stack);
    void NativeGetNamedTag(GSRuntime::GSStack* stack);
    void NativeGetNamedSoup(GSRuntime::GSStack* stack);
    void NativeGetNamedSoupAdd(GSRuntime::GSStack* stack);
    void NativeGetIndexedTagName(GSRuntime::GSStack* stack);
    void NativeGetIndexForNamedTag(GSRuntime::GSStack* stack);
    void NativeGetNamedTagAsKUID(GSRuntime::GSStack* stack);
    void NativeGetNamedTagAsInt(GSRuntime::GSStack* stack);
    void NativeGetNamedTagAsIntDefault(GSRuntime::GSStack* stack);
    void NativeGetNamedTagAsFloat(GSRuntime::GSStack* stack);
    void NativeGetNamedTagAsFloatDefault(GSRuntime::GSStack* stack);
    void NativeSetNamedTagString(GSRuntime::GSStack* stack);
    void NativeSetNamedTagFloat(GSRuntime::GSStack* stack);
    void NativeSetNamedTagInt(GSRuntime::GSStack* stack);
    void NativeSetNamedTagKUID(GSRuntime::GSStack* stack);
    void NativeSetNamedSoup(GSRuntime::GSStack* stack);
    void NativeRemoveNamedTag(GSRuntime::GSStack* stack);
    void NativeCopy(GSRuntime::GSStack* stack);
    void NativeClear(GSRuntime::GSStack* stack);
    void NativeIsLocked(GSRuntime::GSStack* stack);
    void NativeGetLockedReference(GSRuntime::GSStack* stack);
    void NativeAddUniqueNamedSoup(GSRuntime::GSStack* stack);
    void NativeLog(GSRuntime::GSStack* stack);
    void NativeAsString(GSRuntime::GSStack* stack);

private:
    // The soup argument that SetNamedSoup and AddUniqueNamedSoup store: not
    // null, not locked, and not holding this soup. Null after a refusal,
    // whose message begins with `native`.
    GSOSoup* StorableChild(GSRuntime::GSStack* stack, int index, const char* native) const;

    SoupHandle m_soup;
    bool m_locked = false;
};

// Registers the 24 natives of class "Soup" and installs the soup
// parameters of routed messages (GSMessageSoupParameter.h).
void RegisterSoupNatives();

}  // namespace GSNatives
