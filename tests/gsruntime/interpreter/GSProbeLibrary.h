#pragma once
// A hand-assembled library for the tests of calls, objects and members,
// with probe natives that record what they see:
//
//   static class P {                       // class import 0
//       native void Mark(int);             // records its argument
//       native void Sleep(float);          // suspends the running thread
//       native void Fail(string);          // raises a script exception
//       native void Warn(string);          // raises one that lets the thread go on
//       native void PushAnyway();          // a void native that pushes a value
//       native int Nothing();              // pushes nothing
//       native void Unbound();             // never registered
//       native int Nested(T);              // runs T.Fail() on the static thread, then pushes 5
//   }
//   class T {                              // class import 1
//       int v;          // member slot 2
//       string r;       // member slot 3
//       int Get()       { return v; }
//       int Add(int a, int b) { return a + b; }
//       int Recurse()   { return Recurse(); }
//       int Fail()      { return 1 / 0; }
//   }
//   class U isclass T { int Get() { return T::Get() + 100; } }   // class import 2, T's view at 2
//   class A, B: initialisation marks 1, resp. 2       // class imports 3, 4
//   class D isclass A, B: initialisation marks 4      // class import 5, A at 2, B at 6
//   class GameObject {}                               // class import 6
//   class S {}                                        // class import 7, static, no members
#include <string>
#include <vector>

#include "gscompiler/GSTypes.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSThread.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/support/GSImageBuilder.h"

namespace GSTest {

enum ProbeClass : uint16_t { kP = 0, kT = 1, kU = 2, kA = 3, kB = 4, kD = 5, kGameObject = 6, kS = 7 };
// Method indices in P's and T's method tables.
enum ProbeMethod : uint16_t {
    kMark = 0,
    kSleep = 1,
    kFail = 2,
    kWarn = 3,
    kPushAnyway = 4,
    kNothing = 5,
    kUnbound = 6,
    kNested = 7,
};
enum TMethod : uint16_t { kGet = 0, kAdd = 1, kRecurse = 2, kTFail = 3 };
// Member slots of T.
constexpr uint16_t kV = 2;
constexpr uint16_t kR = 3;

struct ProbeRecord {
    std::vector<int32_t> marks;
    // What the nested call saw when it came back.
    bool nestedResult = true;
    GSRuntime::GSThread* threadAfterNested = nullptr;
    GSRuntime::GSContext* contextAfterNested = nullptr;
    GSRuntime::GSThread* threadBeforeNested = nullptr;
};
inline ProbeRecord& Probe() {
    static ProbeRecord record;
    return record;
}

namespace probe {

inline void Mark(GSRuntime::GSContext*, GSRuntime::GSStack* stack) {
    Probe().marks.push_back(static_cast<int32_t>(stack->Local(1)));
}
inline void Sleep(GSRuntime::GSContext*, GSRuntime::GSStack* stack) {
    float seconds = 0.0f;
    GSRuntime::GetFloatParam(stack, 1, seconds);
    GSRuntime::GSThread::SleepCurrentThread(seconds);
}
inline void Fail(GSRuntime::GSContext*, GSRuntime::GSStack* stack) {
    Vek::String text;
    if (!GSRuntime::GetStringParam(stack, 1, text, false)) return;
    GSRuntime::GSCurrentThread()->Exception(text.c_str(), false);
}
inline void Warn(GSRuntime::GSContext*, GSRuntime::GSStack* stack) {
    Vek::String text;
    if (!GSRuntime::GetStringParam(stack, 1, text, false)) return;
    GSRuntime::GSCurrentThread()->Exception(text.c_str(), true);
}
inline void PushAnyway(GSRuntime::GSContext*, GSRuntime::GSStack* stack) { stack->Push(1); }
inline void Nothing(GSRuntime::GSContext*, GSRuntime::GSStack*) {}
inline void Nested(GSRuntime::GSContext* context, GSRuntime::GSStack* stack) {
    const GSRuntime::GSDataRef t = stack->Local(1);
    GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromReference(t);
    Probe().threadBeforeNested = GSRuntime::GSCurrentThread();
    uint32_t result = 0;
    Probe().nestedResult = GSRuntime::CallScriptFunction(context, header->cls, header, "$int@T::Fail()", &result);
    Probe().threadAfterNested = GSRuntime::GSCurrentThread();
    Probe().contextAfterNested = GSRuntime::GSCurrentContext();
    stack->Push(5);
}

}  // namespace probe

inline const std::vector<std::pair<const char*, GSRuntime::GSCNativeFunction::Function>>& ProbeNatives() {
    static const std::vector<std::pair<const char*, GSRuntime::GSCNativeFunction::Function>> natives = {
        {"$void@P::Mark(int)", &probe::Mark},
        {"$void@P::Sleep(float)", &probe::Sleep},
        {"$void@P::Fail(string)", &probe::Fail},
        {"$void@P::Warn(string)", &probe::Warn},
        {"$void@P::PushAnyway()", &probe::PushAnyway},
        {"$int@P::Nothing()", &probe::Nothing},
        {"$void@P::Unbound()", nullptr},
        {"$int@P::Nested(T)", &probe::Nested},
    };
    return natives;
}

// Registers the probe natives (all but Unbound) with the machine.
inline void RegisterProbeNatives() {
    for (auto& native : ProbeNatives()) {
        if (!native.second) continue;
        GSRuntime::GSMachine::Instance()->AddNative(
            new GSRuntime::GSCNativeFunction(Vek::PString("P"), Vek::PString(native.first), native.second));
    }
}

inline FunctionSpec ScriptFunction(const std::string& signature, int32_t slot, uint32_t resultType, uint32_t arguments,
                                   std::vector<uint8_t> code, uint32_t depth = 4) {
    FunctionSpec f;
    f.signature = signature;
    f.slot = slot;
    f.resultType = resultType;
    f.arguments = arguments;
    f.depth = depth;
    f.code = std::move(code);
    return f;
}

// An initialisation that marks `id` through P.
inline FunctionSpec MarkingInit(const std::string& cls, int32_t id) {
    FunctionSpec init;
    init.signature = "::" + cls + "()";
    init.flags = kGSConstructor;
    init.depth = 2;
    init.lineTable = false;
    CodeWriter code;
    code.Op16(OP_PushStatic, kP).Op32(OP_PushConst, id).Op(OP_CallNative).U16(0xFFFF).U16(kMark).Op(OP_Return);
    init.code = code.Bytes();
    return init;
}

inline ImageBuilder ProbeImage(GSRuntime::GSLibraryId id) {
    ImageBuilder image("probe.gs", id.a, id.b);
    for (const char* name : {"P", "T", "U", "A", "B", "D", "GameObject", "S"}) image.ClassImport(0, name);

    ClassSpec& p = image.Class("P");
    p.flags = kGSStatic;
    uint32_t slot = 0;
    for (auto& native : ProbeNatives()) {
        FunctionSpec f;
        f.signature = native.first;
        f.flags = kGSPublic | kGSNative;
        f.slot = static_cast<int32_t>(slot);
        const std::string signature = native.first;
        f.resultType = signature.rfind("$int", 0) == 0 ? kGSTypeInt : kGSTypeVoid;
        f.arguments = signature.find("()") != std::string::npos ? 1 : 2;
        if (signature.find("(string)") != std::string::npos || signature.find("(T)") != std::string::npos)
            f.referenceSlots = {1};
        f.code.clear();
        f.lineTable = false;
        p.functions.push_back(f);
        p.vtable.push_back({image.FunctionImport(kP, native.first, static_cast<int32_t>(slot)), 0});
        ++slot;
    }

    ClassSpec& t = image.Class("T");
    t.instanceSlots = 2;  // data slots 0 to 4
    t.members = {{"v", kGSTypeInt, -1, 1, kV}, {"r", kGSTypeString, -1, 1, kR}};
    t.referenceMembers = {kR};
    t.functions = {
        ScriptFunction("$int@T::Get()", kGet, kGSTypeInt, 1, {OP_LoadMyMember, kV, 0, OP_ReturnValue}),
        ScriptFunction("$int@T::Add(int,int)", kAdd, kGSTypeInt, 3,
                       {OP_LoadLocal, 1, 0, OP_LoadLocal, 2, 0, OP_AddInt, OP_ReturnValue}),
        ScriptFunction("$int@T::Recurse()", kRecurse, kGSTypeInt, 1,
                       {OP_LoadLocalRef, 0, 0, OP_Call, 0, 0, kRecurse, 0, OP_ReturnValue}),
        ScriptFunction("$int@T::Fail()", kTFail, kGSTypeInt, 1, {OP_PushOne, OP_PushZero, OP_DivInt, OP_ReturnValue}),
    };
    t.functions[3].lines = {{0, 40}};
    const uint32_t tGet = image.FunctionImport(kT, "$int@T::Get()", kGet);
    const uint32_t tAdd = image.FunctionImport(kT, "$int@T::Add(int,int)", kAdd);
    const uint32_t tRecurse = image.FunctionImport(kT, "$int@T::Recurse()", kRecurse);
    const uint32_t tFail = image.FunctionImport(kT, "$int@T::Fail()", kTFail);
    t.vtable = {{tGet, 0}, {tAdd, 0}, {tRecurse, 0}, {tFail, 0}};

    ClassSpec& u = image.Class("U");
    u.bases = {{kT, 2, 1, 4}};
    u.instanceSlots = 5;
    u.functions = {ScriptFunction(
        "$int@U::Get()", kGet, kGSTypeInt, 1,
        {OP_LoadLocalRef, 0, 0, OP_CallBase, 0, 0, OP_PushConst, 100, 0, 0, 0, OP_AddInt, OP_ReturnValue})};
    const uint32_t uGet = image.FunctionImport(kU, "$int@U::Get()", kGet);
    // U's own entries first, then T's view's entries (from 4): Get is U's.
    u.vtable = {{uGet, 0}, {tAdd, 2}, {tRecurse, 2}, {tFail, 2}, {uGet, 0}, {tAdd, 2}, {tRecurse, 2}, {tFail, 2}};

    ClassSpec& a = image.Class("A");
    a.instanceSlots = 1;
    a.initFunction = MarkingInit("A", 1);
    ClassSpec& b = image.Class("B");
    b.instanceSlots = 1;
    b.initFunction = MarkingInit("B", 2);
    ClassSpec& d = image.Class("D");
    d.bases = {{kA, 2, 1, 0}, {kB, 6, 1, 0}};
    d.instanceSlots = 8;
    d.initFunction = MarkingInit("D", 4);

    image.Class("GameObject");
    ClassSpec& s = image.Class("S");
    s.flags = kGSStatic;
    return image;
}

}  // namespace GSTest
