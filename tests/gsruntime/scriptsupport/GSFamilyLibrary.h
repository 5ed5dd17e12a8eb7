#pragma once
// Hand-made script libraries for the object tests.
//
// "family": A { string a1; int Value(); }, B { B b1; }, C {},
// D isclass A, B { string d1; int Value(); int Twice(int); string
// Echo(string); } and G { thread void Run(string); }, laid out as the
// compiler lays them out: A's view at data offset 2 of a D, B's at 5, D's
// own member at slot 8; D's virtual table sends A's Value to D's.
//
// "gs": GSObject, GameObject isclass GSObject, and Message with its five
// reference members at slots 2 to 6.
#include <string>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/support/GSImageBuilder.h"

namespace GSTest {

struct FamilyOptions {
    bool initCode = false;     // give every class-initialisation function code
    uint32_t staticFlags = 0;  // flags of class C
};

inline FunctionSpec InitWithCode(const std::string& cls) {
    FunctionSpec init;
    init.signature = "::" + cls + "()";
    init.flags = 0x20;
    init.code = {OP_Return};
    init.lineTable = false;
    return init;
}

inline ImageBuilder FamilyImage(GSRuntime::GSLibraryId id, const FamilyOptions& options = {}) {
    ImageBuilder image("family.gs", id.a, id.b);
    const uint32_t a = image.ClassImport(0, "A");
    const uint32_t b = image.ClassImport(0, "B");
    image.ClassImport(0, "C");
    const uint32_t d = image.ClassImport(0, "D");
    const uint32_t g = image.ClassImport(0, "G");
    image.FunctionImport(a, "$int@A::Value()", 0);
    image.FunctionImport(d, "$int@D::Value()", 1);
    image.FunctionImport(d, "$int@D::Twice(int)", 2);
    image.FunctionImport(d, "$string@D::Echo(string)", 3);
    image.FunctionImport(g, "$void@G::Run(string)", 0);

    FunctionSpec value;
    value.resultType = 2;
    value.depth = 1;
    value.code = {OP_PushZero, OP_ReturnValue};
    value.lines = {{0, 10}, {1, 11}};

    ClassSpec& classA = image.Class("A");
    classA.members = {{"a1", 4, -1, 1, 2}};
    classA.referenceMembers = {2};
    FunctionSpec aValue = value;
    aValue.signature = "$int@A::Value()";
    aValue.slot = 0;
    classA.functions = {aValue};
    classA.vtable = {{0, 0}};
    if (options.initCode) classA.initFunction = InitWithCode("A");

    ClassSpec& classB = image.Class("B");
    classB.members = {{"b1", 5, static_cast<int32_t>(b), 1, 2}};
    classB.referenceMembers = {2};
    if (options.initCode) classB.initFunction = InitWithCode("B");

    ClassSpec& classC = image.Class("C");
    classC.flags = options.staticFlags;
    if (options.initCode) classC.initFunction = InitWithCode("C");

    ClassSpec& classD = image.Class("D");
    classD.bases = {{a, 2, 1, 0}, {b, 5, 1, 1}};
    classD.members = {{"d1", 4, -1, 1, 8}};
    classD.instanceSlots = 12;
    classD.referenceMembers = {8};
    FunctionSpec dValue = value;
    dValue.signature = "$int@D::Value()";
    dValue.slot = 1;
    FunctionSpec twice;
    twice.signature = "$int@D::Twice(int)";
    twice.resultType = 2;
    twice.slot = 2;
    twice.arguments = 2;
    twice.depth = 1;
    twice.code = {OP_LoadLocal, 1, 0, OP_ReturnValue};
    FunctionSpec echo;
    echo.signature = "$string@D::Echo(string)";
    echo.resultType = 4;
    echo.slot = 3;
    echo.arguments = 2;
    echo.depth = 1;
    echo.referenceSlots = {1};
    echo.code = {OP_LoadLocalRef, 1, 0, OP_ReturnRef};
    classD.functions = {dValue, twice, echo};
    classD.vtable = {{1, 0}, {1, 0}, {2, 0}, {3, 0}};
    if (options.initCode) classD.initFunction = InitWithCode("D");

    ClassSpec& classG = image.Class("G");
    FunctionSpec run;
    run.signature = "$void@G::Run(string)";
    run.flags = 0x11;  // public, thread
    run.slot = 0;
    run.arguments = 2;
    run.referenceSlots = {1};
    classG.functions = {run};
    classG.vtable = {{4, 0}};
    return image;
}

struct Family {
    GSRuntime::GSLibrary* library = nullptr;
    GSRuntime::GSClass* A = nullptr;
    GSRuntime::GSClass* B = nullptr;
    GSRuntime::GSClass* C = nullptr;
    GSRuntime::GSClass* D = nullptr;
    GSRuntime::GSClass* G = nullptr;

    explicit Family(GSRuntime::GSLibrary* loaded) : library(loaded) {
        if (!library) return;
        A = library->FindClass("A");
        B = library->FindClass("B");
        C = library->FindClass("C");
        D = library->FindClass("D");
        G = library->FindClass("G");
    }
};

// The runtime's own library as the runtime needs it.
inline ImageBuilder CoreImage(GSRuntime::GSLibraryId id, bool messageInitCode = false) {
    ImageBuilder image("gs.gs", id.a, id.b);
    const uint32_t gsObject = image.ClassImport(0, "GSObject");
    const uint32_t gameObject = image.ClassImport(0, "GameObject");
    image.ClassImport(0, "Message");
    image.Class("GSObject");
    ClassSpec& game = image.Class("GameObject");
    game.bases = {{gsObject, 2, 1, 0}};
    game.instanceSlots = 7;
    ClassSpec& message = image.Class("Message");
    message.members = {{"major", 4, -1, 1, 2},
                       {"minor", 4, -1, 1, 3},
                       {"src", 5, static_cast<int32_t>(gameObject), 1, 4},
                       {"dst", 5, static_cast<int32_t>(gameObject), 1, 5},
                       {"paramSoup", 5, static_cast<int32_t>(gsObject), 1, 6}};
    message.referenceMembers = {2, 3, 4, 5, 6};
    if (messageInitCode) message.initFunction = InitWithCode("Message");
    return image;
}

}  // namespace GSTest
