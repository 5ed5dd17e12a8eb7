#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSHeap.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/support/GSMachineFixture.h"

namespace {

using GSRuntime::GSClass;
using GSRuntime::GSFunction;
using GSRuntime::GSLibrary;
using GSRuntime::GSLibraryId;
using GSTest::ClassSpec;
using GSTest::CodeWriter;
using GSTest::FunctionSpec;
using GSTest::ImageBuilder;

class GSLoader : public GSTest::MachineTest {
protected:
    // Registers and loads an image; the library or null.
    GSLibrary* Load(const std::string& file, ImageBuilder& image, GSLibraryId id) {
        if (!Register(file, image.Build())) return nullptr;
        return machine->GetLibrary(id);
    }
};

// A native that only counts its calls.
class TestNative : public GSRuntime::GSNativeFunction {
public:
    TestNative(const char* cls, const char* signature, int tag)
        : GSNativeFunction(Vek::PString(cls), Vek::PString(signature)), tag(tag) {}
    bool Call(GSRuntime::GSObject*, GSRuntime::GSStack*) override { return true; }
    int tag;
};

TEST_F(GSLoader, LoadsTablesClassesAndFunctions) {
    ImageBuilder image("scripts\\counter.gs", Id(0).a, Id(0).b);
    image.versionBits = 0x12345678;  // neither checked ...
    image.lengthWord = 3;            // ... nor this
    const uint32_t self = image.ClassImport(0, "Counter");
    const uint32_t get = image.FunctionImport(self, "$int@Counter::Get()", 0);
    ClassSpec& counter = image.Class("Counter");
    counter.flags = 0x40;
    counter.members = {{"count", 2, -1, 1, 2}, {"label", 4, -1, 0, 3}};
    counter.referenceMembers = {3};
    counter.vtable = {{get, 0}};
    FunctionSpec f;
    f.signature = "$int@Counter::Get()";
    f.resultType = 2;
    f.slot = 0;
    f.arguments = 2;
    f.locals = 1;
    f.depth = 1;
    f.referenceSlots = {1};
    f.code = CodeWriter().Op16(OP_LoadMyMember, 2).Op(OP_ReturnValue).Bytes();
    f.lines = {{0, 10}, {3, 12}};
    counter.functions.push_back(f);

    GSLibrary* library = Load("counter.gsl", image, Id(0));
    ASSERT_NE(library, nullptr);
    EXPECT_STREQ(library->GetName(), "scripts\\counter.gs");
    EXPECT_EQ(library->Id(), Id(0));
    EXPECT_EQ(library->DependentCount(), 1u);
    EXPECT_EQ(library->GetDependent(0).library, library);  // dependent 0 is itself
    EXPECT_EQ(library->StringCount(), 5u);
    for (uint32_t i = 0; i < library->StringCount(); ++i)
        EXPECT_STREQ(library->GetStringCopy(i).c_str(), library->GetString(i));
    EXPECT_STREQ(library->GetString(0), "Counter");
    EXPECT_EQ(library->GetString(5), nullptr);

    GSClass* cls = library->FindClass("Counter");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(library->GetClassImport(self)->cls, cls);
    EXPECT_EQ(cls->Flags(), 0x40u);
    EXPECT_EQ(cls->FunctionCount(), 2u);
    EXPECT_STREQ(cls->InitFunction()->signature, "::Counter()");
    EXPECT_EQ(cls->InstanceSlotCount(), 7u);
    EXPECT_EQ(cls->MemberCount(), 2u);
    EXPECT_EQ(cls->GetMember(1).slot, 3);
    EXPECT_EQ(cls->ReferenceMember(0), 3);
    ASSERT_EQ(cls->InitRowCount(), 1u);
    EXPECT_EQ(cls->GetInitRow(0).slot, 1u);
    EXPECT_EQ(cls->FindFunctionIndex("$int@Counter::Get()"), 0);
    EXPECT_EQ(cls->FindFunctionIndex("$int@Counter::Set()"), -1);

    GSFunction* function = cls->GetFunction(0);
    EXPECT_EQ(function->owner, cls);
    EXPECT_EQ(function->library, library);
    EXPECT_EQ(function->resultType, 2u);
    EXPECT_EQ(function->frameSize, 5u);
    EXPECT_EQ(function->argumentOffset, -1);
    EXPECT_EQ(function->headerOffset, 2u);
    EXPECT_EQ(function->slotsNeeded, 6u);
    EXPECT_EQ(function->ReferenceSlot(0), 1);
    EXPECT_EQ(function->codeLength, 4u);
    EXPECT_EQ(function->code[0], OP_LoadMyMember);
    EXPECT_EQ(library->GetFunctionImport(get)->function, function);
    EXPECT_EQ(cls->GetVirtualEntry(0).import, library->GetFunctionImport(get));
    // Every record is numbered in the machine's function table.
    EXPECT_NE(function->tableIndex, 0u);
    EXPECT_EQ(machine->Functions().Get(function->tableIndex), function);
    EXPECT_EQ(cls->InitFunction()->code, nullptr);
    EXPECT_EQ(cls->InitFunction()->LineAt(0), -1);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(GSLoader, LineLookup) {
    ImageBuilder image("lines.gs", Id(0).a, Id(0).b);
    image.ClassImport(0, "Lines");
    ClassSpec& cls = image.Class("Lines");
    FunctionSpec f;
    f.signature = "$void@Lines::Run()";
    f.code = CodeWriter().Op(OP_PushOne).Op(OP_Pop).Op(OP_PushOne).Op(OP_Pop).Op(OP_PushOne).Op(OP_Pop).Op(OP_PushOne)
                 .Op(OP_Pop).Op(OP_PushOne).Op(OP_Pop).Op(OP_Return).Bytes();
    f.depth = 1;
    f.lines = {{0, 10}, {8, 12}};
    cls.functions.push_back(f);
    f.signature = "$void@Lines::Late()";
    f.lines = {{2, 20}, {4, 21}};
    cls.functions.push_back(f);
    GSLibrary* library = Load("lines.gsl", image, Id(0));
    ASSERT_NE(library, nullptr);
    const GSFunction* run = library->FindClass("Lines")->GetFunction(0);
    const GSFunction* late = library->FindClass("Lines")->GetFunction(1);
    struct Row {
        const GSFunction* function;
        int32_t offset;
        int32_t line;
    };
    for (const Row& row : {Row{run, 0, 10}, Row{run, 7, 10}, Row{run, 8, 12}, Row{run, 1000, 12}, Row{late, 0, 20},
                           Row{late, 3, 20}, Row{late, 4, 21}, Row{late, -5, 20}})
        EXPECT_EQ(row.function->LineAt(row.offset), row.line) << row.offset;
}

TEST_F(GSLoader, NoFunctionImportsAndTwoClassesOfOneName) {
    ImageBuilder image("twins.gs", Id(0).a, Id(0).b);
    image.ClassImport(0, "Twin");
    image.Class("Twin").flags = 0x4;
    image.Class("Twin").flags = 0x8;
    GSLibrary* library = Load("twins.gsl", image, Id(0));
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->FunctionImportCount(), 0u);
    EXPECT_EQ(library->GetFunctionImport(0), nullptr);
    ASSERT_EQ(library->ClassCount(), 2u);
    EXPECT_EQ(library->FindClass("Twin"), library->GetClass(1));
    EXPECT_EQ(library->FindClass("Twin")->Flags(), 0x8u);
    EXPECT_EQ(library->FindClass("twin"), nullptr);
}

TEST_F(GSLoader, NativesLinkToTheLastRegistration) {
    machine->AddNative(new TestNative("Gadget", "$int@Gadget::Spin(int)", 1));
    machine->AddNative(new TestNative("Gadget", "$int@Gadget::Spin(int)", 2));
    machine->AddNative(new TestNative("Other", "$int@Gadget::Spin(int)", 3));  // another class
    ImageBuilder image("gadget.gs", Id(0).a, Id(0).b);
    image.ClassImport(0, "Gadget");
    ClassSpec& gadget = image.Class("Gadget");
    FunctionSpec spin;
    spin.signature = "$int@Gadget::Spin(int)";
    spin.flags = 0x3;
    spin.arguments = 2;
    spin.code.clear();
    spin.lineTable = false;
    gadget.functions.push_back(spin);
    spin.signature = "$void@Gadget::Stop()";
    spin.arguments = 1;
    gadget.functions.push_back(spin);

    GSLibrary* library = Load("gadget.gsl", image, Id(0));
    ASSERT_NE(library, nullptr);
    const GSClass* cls = library->FindClass("Gadget");
    const TestNative* bound = static_cast<const TestNative*>(cls->GetFunction(0)->native);
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(bound->tag, 2);
    EXPECT_EQ(cls->GetFunction(1)->native, nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Could not resolve native link $void@Gadget::Stop()"});
    EXPECT_EQ(machine->FindNative(Vek::PString("Gadget"), Vek::PString("$void@Gadget::Stop()")), nullptr);
}

TEST_F(GSLoader, UnlinkableFunctionImportFails) {
    ImageBuilder image("fimport.gs", Id(0).a, Id(0).b);
    const uint32_t self = image.ClassImport(0, "Holder");
    image.FunctionImport(self, "$void@Holder::Missing()", 0);
    image.Class("Holder");
    EXPECT_EQ(Load("fimport.gsl", image, Id(0)), nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"GS Link error: Unable to link function '$void@Holder::Missing()'",
                                                     "GSMachine: Error -3 loading library fimport.gsl (fimport.gs)"}));
}

TEST_F(GSLoader, EveryUnresolvedClassImportIsReportedOnce) {
    ImageBuilder image("cimport.gs", Id(0).a, Id(0).b);
    image.ClassImport(0, "Here");
    for (const char* name : {"Gone1", "Gone2", "Gone3"}) image.ClassImport(0, name);
    image.Class("Here");
    EXPECT_EQ(Load("cimport.gsl", image, Id(0)), nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"GS Link error: Unable to find class 'Gone1'",
                                                     "GS Link error: Unable to find class 'Gone2'",
                                                     "GS Link error: Unable to find class 'Gone3'",
                                                     "GSMachine: Error -3 loading library cimport.gsl (cimport.gs)"}));
}

TEST_F(GSLoader, MissingDependentFails) {
    ImageBuilder image("needs.gs", Id(0).a, Id(0).b);
    image.Dependent(Id(1).a, Id(1).b);
    image.ClassImport(0, "Needs");
    image.Class("Needs");
    const int64_t liveBefore = GSRuntime::GSMachineHeap().LiveBlocks();
    EXPECT_EQ(Load("needs.gsl", image, Id(0)), nullptr);
    char notFound[128];
    std::snprintf(notFound, sizeof notFound, "GSMachine::GetLibrary> library '0x%X 0x%X' not found in link table",
                  Id(1).a, Id(1).b);
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{notFound, "GSMachine: Error -2 loading library needs.gsl (needs.gs)"}));
    // Registration made one entry; the failed load left nothing.
    EXPECT_EQ(GSRuntime::GSMachineHeap().LiveBlocks(), liveBefore + 1);
}

// Base in one library, derived class in another.
class GSLoaderInheritance : public GSLoader {
protected:
    void SetUp() override {
        ImageBuilder base("base.gs", Id(1).a, Id(1).b);
        const uint32_t self = base.ClassImport(0, "Base");
        const uint32_t init = base.FunctionImport(self, "$bool@Base::Init(Asset)", 0);
        ClassSpec& cls = base.Class("Base");
        cls.members = {{"asset", 5, -1, 1, 2}};
        cls.referenceMembers = {2};
        cls.vtable = {{init, 0}};
        FunctionSpec f;
        f.signature = "$bool@Base::Init(Asset)";
        f.resultType = 1;
        f.slot = 0;
        f.arguments = 2;
        f.referenceSlots = {1};
        f.code = CodeWriter().Op(OP_PushOne).Op(OP_ReturnValue).Bytes();
        f.depth = 1;
        cls.functions.push_back(f);
        ASSERT_TRUE(Register("base.gsl", base.Build()));

        derived = std::make_unique<ImageBuilder>("derived.gs", Id(0).a, Id(0).b);
        const uint32_t dependent = derived->Dependent(Id(1).a, Id(1).b);
        const uint32_t own = derived->ClassImport(0, "Derived");
        const uint32_t baseClass = derived->ClassImport(dependent, "Base");
        const uint32_t baseInit = derived->FunctionImport(baseClass, "$bool@Base::Init(Asset)", 0);
        const uint32_t ownInit = derived->FunctionImport(own, "$void@Derived::Init(Asset)", 1);
        (void)baseInit;
        ClassSpec& d = derived->Class("Derived");
        d.bases = {{baseClass, 2, 1, 0}};
        d.members = {{"extra", 2, -1, 1, 8}};
        d.instanceSlots = 1 + 8 + 3;  // own members + data base (2 + base's 6) + 3
        d.vtable = {{ownInit, 0}, {ownInit, 0}};
        FunctionSpec g;
        g.signature = "$void@Derived::Init(Asset)";  // another result type: still the same method
        g.slot = 1;
        g.arguments = 2;
        g.code = CodeWriter().Op(OP_Return).Bytes();
        d.functions.push_back(g);
    }
    std::unique_ptr<ImageBuilder> derived;
};

TEST_F(GSLoaderInheritance, OverridesAndClassRelationsAcrossLibraries) {
    GSLibrary* library = Load("derived.gsl", *derived, Id(0));
    ASSERT_NE(library, nullptr);
    GSLibrary* base = machine->GetLibrary(Id(1));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(machine->LoadedLibraries().Last(), library);  // the dependent finished first
    GSClass* d = library->FindClass("Derived");
    GSClass* b = base->FindClass("Base");
    ASSERT_TRUE(d && b);
    EXPECT_EQ(d->BaseClass(0), b);
    EXPECT_EQ(d->GetFunction(0)->overridden, b->GetFunction(0));
    EXPECT_EQ(d->GetFunction(0)->baseOffset, 2u);
    EXPECT_EQ(d->InitFunction()->overridden, nullptr);

    EXPECT_TRUE(d->IsA("Derived"));
    EXPECT_TRUE(d->IsA("Base"));
    EXPECT_FALSE(d->IsA("base"));
    EXPECT_FALSE(b->IsA("Derived"));
    EXPECT_EQ(d->BaseIndex(b), 0);
    EXPECT_EQ(b->BaseIndex(d), -1);

    uint32_t offset = 99;
    int32_t slot = -2;
    int32_t index = -2;
    EXPECT_EQ(d->FindFunction("$bool@Base::Init(Asset)", offset, slot, index), b);
    EXPECT_EQ(offset, 2u);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(d->FindFunction("$void@Derived::Init(Asset)", offset, slot, index), d);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(d->FindFunction("$void@Derived::Nothing()", offset, slot, index), nullptr);
    EXPECT_EQ(index, -1);
}

TEST_F(GSLoaderInheritance, BaseThatDoesNotFitItsViewFailsTheLink) {
    derived->Classes()[0].instanceSlots = 6;  // too small for the base's 6 slots at offset 2
    derived->Classes()[0].members.clear();
    EXPECT_EQ(Load("derived.gsl", *derived, Id(0)), nullptr);
    EXPECT_EQ(log.Count("GS Link error: Unable to link 'Derived'"), 1);
    EXPECT_EQ(log.Count("GSMachine: Error -3 loading library derived.gsl (derived.gs)"), 1);
}

// Two libraries that include each other.
class GSLoaderCycle : public GSLoader {
protected:
    ImageBuilder Library(const std::string& name, uint32_t own, uint32_t other, const std::string& cls,
                         const std::string& otherClass) {
        ImageBuilder image(name + ".gs", Id(own).a, Id(own).b);
        const uint32_t dependent = image.Dependent(Id(other).a, Id(other).b);
        image.ClassImport(0, cls);
        image.ClassImport(dependent, otherClass);
        image.Class(cls);
        return image;
    }
};

TEST_F(GSLoaderCycle, LinksAgainstALibraryStillLoading) {
    ImageBuilder a = Library("a", 0, 1, "A", "B");
    ImageBuilder b = Library("b", 1, 0, "B", "A");
    ASSERT_TRUE(Register("a.gsl", a.Build()));
    ASSERT_TRUE(Register("b.gsl", b.Build()));
    GSLibrary* libraryA = machine->GetLibrary(Id(0));
    ASSERT_NE(libraryA, nullptr);
    GSLibrary* libraryB = machine->GetLibrary(Id(1));
    ASSERT_NE(libraryB, nullptr);
    EXPECT_EQ(libraryB->GetClassImport(1)->cls, libraryA->FindClass("A"));
    EXPECT_EQ(libraryA->GetClassImport(1)->cls, libraryB->FindClass("B"));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(GSLoaderCycle, FailureUnloadsWhatLinkedAgainstTheFailedLibrary) {
    ImageBuilder a = Library("a", 0, 1, "A", "B");
    a.FunctionImport(0, "$void@A::Missing()", 0);  // A's own link fails, after B linked against A
    ImageBuilder b = Library("b", 1, 0, "B", "A");
    ASSERT_TRUE(Register("a.gsl", a.Build()));
    ASSERT_TRUE(Register("b.gsl", b.Build()));
    const int64_t liveBefore = GSRuntime::GSMachineHeap().LiveBlocks();
    const uint32_t functionsBefore = machine->Functions().LiveCount();
    const int32_t loadedBefore = machine->LoadedLibraries().Count();

    EXPECT_EQ(machine->GetLibrary(Id(0)), nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"GS Link error: Unable to link function '$void@A::Missing()'",
                                                     "GSMachine: Error -3 loading library a.gsl (a.gs)",
                                                     "GSMachine: Library b.gsl unloaded: a library loaded with it failed to load"}));
    EXPECT_EQ(machine->LoadedLibraries().Count(), loadedBefore);
    EXPECT_EQ(GSRuntime::GSMachineHeap().LiveBlocks(), liveBefore);
    EXPECT_EQ(machine->Functions().LiveCount(), functionsBefore);

    // B on its own fails too now (it needs A); mended, both load.
    log.Clear();
    EXPECT_EQ(machine->GetLibrary(Id(1)), nullptr);
    EXPECT_EQ(log.Count("GSMachine: Error -2 loading library b.gsl (b.gs)"), 1);
    root.Write("a.gsl", Library("a", 0, 1, "A", "B").Build());
    GSLibrary* libraryB = machine->GetLibrary(Id(1));
    ASSERT_NE(libraryB, nullptr);
    EXPECT_EQ(libraryB->GetClassImport(1)->cls, machine->GetLibrary(Id(0))->FindClass("A"));
}

}  // namespace
