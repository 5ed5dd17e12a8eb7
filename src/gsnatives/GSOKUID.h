#pragma once
// GSOKUID: the native holder of a script "KUID" value. At most one exists
// per KUID and script context: a process-wide cache, keyed by the three
// words of the KUID and the context, hands out the existing object. An
// entry lives exactly as long as its object: the destructor removes it, and
// the end of a context purges every entry of that context.
//
// Objects are made only through GetOrCreate and never change afterwards.
// The cache takes no lock: all script work runs on one thread.
#include <cstddef>

#include "foundation/kuid/KUID.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOKUID : public GSRuntime::GSObject, public KUID {
public:
    // Removes its cache entry, then the object goes.
    ~GSOKUID() override;

    // The object of (kuid, context): an existing one gains one count on its
    // script instance; a new one is made, bound to the class "KUID" and
    // entered, holding its creation count. Either way the count is the
    // caller's, to hand to the script. Null, nothing entered, when the
    // script-object heap has no room or the class is not bound.
    static GSOKUID* GetOrCreate(const KUID& kuid, GSRuntime::GSContext* context);
    // Erases every entry of `context` and deletes its object; each object's
    // script instance gets one more count first, so the instance outlives
    // its native object and goes with the context's own objects. Called by
    // the owner of a context before it tears the context down.
    static void PurgeContext(GSRuntime::GSContext* context);
    // Number of cache entries.
    static std::size_t CacheSize();
    // Forgets every entry without touching the objects (tests that end their
    // contexts without a purge start the next case with an empty cache).
    static void ResetCacheForTests();

    // Binds the class "KUID" of "kuid.gsl"; false when it is missing.
    static bool ResolveScriptClass();
    static GSRuntime::GSClass* GetScriptClass();

    const KUID& GetKUID() const { return *this; }

    // The natives, in registration order (RegisterKUIDNatives).
    void NativeGetName(GSRuntime::GSStack* stack);
    void NativeGetHTMLString(GSRuntime::GSStack* stack);
    void NativeGetLogString(GSRuntime::GSStack* stack);
    void NativeGetBaseString(GSRuntime::GSStack* stack);
    void NativeGetBaseKUID(GSRuntime::GSStack* stack);

    // The KUID without its version: version 0 for a user id >= 0, 127 for a
    // negative one; the null KUID when the user word does not fit 25 bits
    // (its top 7 bits are neither all 0 nor all 1).
    static KUID BaseOf(const KUID& kuid);

private:
    GSOKUID(GSRuntime::GSContext* context, const KUID& kuid);

    // The context of its cache key, kept apart from the binding, which a
    // context's teardown may drop before the object goes.
    GSRuntime::GSContext* m_cacheContext;
};

// Pushes the KUID's object of the receiver's context as a native result
// (null when none can be made); the count GetOrCreate gives goes with it.
void PushKUID(GSRuntime::GSStack* stack, GSRuntime::GSContext* context, const KUID& kuid);

void RegisterKUIDNatives();

}  // namespace GSNatives
