#pragma once
// GSOHTMLBuffer: the native holder of a script "HTMLBuffer", made by the
// static native HTMLBufferStatic::Construct.
#include "gsnatives/HTMLBuffer.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOHTMLBuffer : public GSRuntime::GSObject, public HTMLBuffer {
public:
    // An empty buffer bound to the class "HTMLBuffer" in `context`.
    explicit GSOHTMLBuffer(GSRuntime::GSContext* context);
    ~GSOHTMLBuffer() override;

    // Binds the class "HTMLBuffer" of "HTMLBuffer.gsl"; false when missing.
    static bool ResolveScriptClass();
    static GSRuntime::GSClass* GetScriptClass();

    // The natives, in registration order (RegisterHTMLBufferNatives).
    void NativeClear(GSRuntime::GSStack* stack);
    void NativeIsEmpty(GSRuntime::GSStack* stack);
    void NativeAsString(GSRuntime::GSStack* stack);
    void NativePrint(GSRuntime::GSStack* stack);
    void NativeEscape(GSRuntime::GSStack* stack);
};

// "$HTMLBuffer@HTMLBufferStatic::Construct()": a new buffer in the calling
// context, viewed as class "HTMLBuffer"; null when none can be made.
void HTMLBufferStaticConstruct(GSRuntime::GSContext* context, GSRuntime::GSStack* stack);

void RegisterHTMLBufferNatives();

}  // namespace GSNatives
