// Objects and references (opcodes 87 to 93): class tests, object creation,
// static instances, casts and reference comparisons. Class indices resolve
// through the running function's library; a class index whose import has
// no class raises ER_LinkError (ER_ClassCreateError for the creating
// instructions).

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSGameObjectServices.h"
#include "gsruntime/interpreter/GSThread.h"
#include "gsruntime/interpreter/GSThreadStateGuard.h"

namespace GSRuntime {

namespace {

void Release(GSDataRef reference) { GSScriptInstance::ReleaseReference(reference); }

GSClass* ImportedClass(const GSRunState& s, uint16_t index) {
    const GSLibrary::ClassImport* import = s.library ? s.library->GetClassImport(index) : nullptr;
    return import ? import->cls : nullptr;
}

// r -> b: 1 when r's instance is of the class or has it among its bases.
bool IsClass(GSRunState& s) {
    const uint16_t index = s.U16();
    const GSDataRef reference = s.Top();
    if (!reference) return s.Raise(ER_NullReference);
    const GSClass* cls = ImportedClass(s, index);
    if (!cls) return s.Raise(ER_LinkError);
    const GSClass* own = GSScriptInstance::FromReference(reference)->cls;
    s.Top() = own && (own == cls || own->BaseIndex(cls) >= 0) ? 1u : 0u;
    Release(reference);
    return true;
}

// -> r: a new instance of the class. A class that is or derives from
// "GameObject" gets a native game object, any other a plain GSObject. The
// class's initialisation code may run on this very thread (when it is the
// machine's static thread), so the thread's state is kept aside while the
// instance is made.
bool NewObject(GSRunState& s) {
    const uint16_t index = s.U16();
    s.Push(0);  // the result slot
    GSClass* cls = ImportedClass(s, index);
    if (!cls) return s.Raise(ER_ClassCreateError);
    const bool gameObject = cls->IsA("GameObject");
    const GSGameObjectServices& services = GSGetGameObjectServices();
    GSObject* object = gameObject ? (services.newGameObject ? services.newGameObject() : nullptr) : new GSObject();
    if (!object) return s.Raise(ER_ClassCreateError);
    GSContext* context = GSCurrentContext();
    s.WriteBack();
    bool created;
    {
        GSThreadStateGuard saved(*s.thread);
        created = cls->CreateInstance(object, context);
    }
    if (!created) {
        delete object;
        return s.Raise(ER_ClassCreateError);
    }
    if (gameObject && context && context->GetRouter() && services.addToRouter)
        services.addToRouter(context->GetRouter(), object);
    // The creation count passes to the stack.
    s.Top() = object->GetReference();
    return true;
}

// -> r: the current context's instance of a static class, counted.
bool PushStatic(GSRunState& s) {
    const uint16_t index = s.U16();
    GSClass* cls = ImportedClass(s, index);
    if (!cls) return s.Raise(ER_ClassCreateError);
    GSContext* context = GSCurrentContext();
    // Making the instance may run its class's initialisation code on the
    // static thread, which may be this one.
    s.WriteBack();
    GSObject* object = context ? context->GetStaticInstance(cls) : nullptr;
    const GSDataRef reference = object ? object->GetReference() : 0;
    if (!reference) return s.Raise(ER_ClassCreateError);
    GSScriptInstance::AddRef(reference);
    s.Push(reference);
    return true;
}

// r -> r2: the view of r's instance for the class, or null when the
// instance is not of it (r's count is released then); null stays null.
bool Cast(GSRunState& s) {
    const uint16_t index = s.U16();
    const GSDataRef reference = s.Top();
    if (!reference) return true;
    const GSClass* cls = ImportedClass(s, index);
    if (!cls) return s.Raise(ER_LinkError);
    const GSDataRef view = GSClass::CastInstance(cls, GSScriptInstance::FromReference(reference));
    s.Top() = view;
    if (!view) Release(reference);
    return true;
}

// a b -> c: 1 when they designate different instances (two views of one
// instance are equal), 1 when exactly one is null, 0 when both are.
bool RefNotEqual(GSRunState& s) {
    const GSDataRef a = s.At(1);
    const GSDataRef b = s.At(0);
    const GSScriptInstance* left = a ? GSScriptInstance::FromReference(a) : nullptr;
    const GSScriptInstance* right = b ? GSScriptInstance::FromReference(b) : nullptr;
    s.sp -= 1;
    s.Top() = left != right ? 1u : 0u;
    Release(a);
    Release(b);
    return true;
}

template <bool WhenNull>
bool NullTest(GSRunState& s) {
    const GSDataRef reference = s.Top();
    s.Top() = (reference == 0) == WhenNull ? 1u : 0u;
    Release(reference);
    return true;
}

}  // namespace

void GSInstallObjectHandlers(GSOpHandler* table) {
    GSInstallChecked<OP_IsClass, &IsClass>(table);
    GSInstallChecked<OP_NewObject, &NewObject>(table);
    GSInstallChecked<OP_PushStatic, &PushStatic>(table);
    GSInstallChecked<OP_Cast, &Cast>(table);
    GSInstallChecked<OP_RefNotEqual, &RefNotEqual>(table);
    GSInstallChecked<OP_IsNull, &NullTest<true>>(table);
    GSInstallChecked<OP_IsNotNull, &NullTest<false>>(table);
}

}  // namespace GSRuntime
