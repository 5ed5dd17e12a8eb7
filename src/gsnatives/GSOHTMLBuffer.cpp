#include "gsnatives/GSOHTMLBuffer.h"

#include "gsnatives/BoundObject.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using namespace GSRuntime;

GSOHTMLBuffer::GSOHTMLBuffer(GSContext* context) { BindClass(GetScriptClass(), context); }

GSOHTMLBuffer::~GSOHTMLBuffer() = default;

bool GSOHTMLBuffer::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::HTMLBuffer); }

GSClass* GSOHTMLBuffer::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::HTMLBuffer); }

void GSOHTMLBuffer::NativeClear(GSStack*) { Clear(); }

void GSOHTMLBuffer::NativeIsEmpty(GSStack* stack) { stack->Push(IsEmpty() ? 1 : 0); }

void GSOHTMLBuffer::NativeAsString(GSStack* stack) { stack->PushPString(stack->GetContext(), ToPString()); }

void GSOHTMLBuffer::NativePrint(GSStack* stack) {
    Vek::String text;
    GetStringParam(stack, 1, text, true);
    if (text.Length() == 0) return;
    Append(text.c_str(), static_cast<uint32_t>(text.Length()));
    SetNotEmpty();
}

void GSOHTMLBuffer::NativeEscape(GSStack* stack) {
    Vek::PString text;
    GetPStringParam(stack, 1, true, text);
    AppendEscaped(text.c_str());
}

void HTMLBufferStaticConstruct(GSContext* context, GSStack* stack) {
    GSOHTMLBuffer* buffer = KeepIfBound(new GSOHTMLBuffer(context));
    stack->PushNewObject(buffer, GSOHTMLBuffer::GetScriptClass());
}

void RegisterHTMLBufferNatives() {
    static const MemberNative<GSOHTMLBuffer> kNatives[] = {
        {"$void@HTMLBuffer::Clear()", &GSOHTMLBuffer::NativeClear},
        {"$bool@HTMLBuffer::IsEmpty()", &GSOHTMLBuffer::NativeIsEmpty},
        {"$string@HTMLBuffer::AsString()", &GSOHTMLBuffer::NativeAsString},
        {"$void@HTMLBuffer::Print(string)", &GSOHTMLBuffer::NativePrint},
        {"$void@HTMLBuffer::Escape(string)", &GSOHTMLBuffer::NativeEscape},
    };
    RegisterMemberNatives("HTMLBuffer", kNatives);
    GSRegisterNative(new GSCNativeFunction(Vek::PString("HTMLBufferStatic"),
                                           Vek::PString("$HTMLBuffer@HTMLBufferStatic::Construct()"),
                                           &HTMLBufferStaticConstruct));
}

}  // namespace GSNatives
