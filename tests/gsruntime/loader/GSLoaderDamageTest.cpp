#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSHeap.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/support/GSMachineFixture.h"

namespace {

using GSRuntime::GSLibrary;
using GSRuntime::GSLibraryId;
using GSTest::ClassSpec;
using GSTest::CodeWriter;
using GSTest::FunctionSpec;
using GSTest::ImageBuilder;

// A library shaped like compiler output: two classes, one deriving from the
// other, members with references, virtual tables, a native, code with locals,
// strings, a switch, an object creation, a jump and a wait, line tables.
ImageBuilder Rich(GSLibraryId id) {
    ImageBuilder image("rich.gs", id.a, id.b);
    const uint32_t part = image.ClassImport(0, "Part");
    const uint32_t thing = image.ClassImport(0, "Thing");
    const uint32_t size = image.FunctionImport(part, "$int@Part::Size()", 0);
    const uint32_t run = image.FunctionImport(thing, "$void@Thing::Run(string)", 1);

    ClassSpec& p = image.Class("Part");
    p.members = {{"size", 2, -1, 1, 2}, {"name", 4, -1, 1, 3}};
    p.referenceMembers = {3};
    p.vtable = {{size, 0}};
    FunctionSpec f;
    f.signature = "$int@Part::Size()";
    f.resultType = 2;
    f.slot = 0;
    f.depth = 1;
    f.code = CodeWriter().Op16(OP_LoadMyMember, 2).Op(OP_ReturnValue).Bytes();
    f.lines = {{0, 4}};
    p.functions.push_back(f);
    FunctionSpec poke;
    poke.signature = "$void@Part::Poke()";
    poke.flags = 0x3;
    poke.slot = 1;
    poke.code.clear();
    poke.lineTable = false;
    p.functions.push_back(poke);

    ClassSpec& t = image.Class("Thing");
    t.bases = {{part, 2, 1, 0}};
    t.members = {{"part", 5, static_cast<int32_t>(part), 1, 12}};
    t.referenceMembers = {12};
    t.instanceSlots = 12;
    t.vtable = {{size, 2}, {run, 0}};
    const uint32_t hello = image.String("hello");
    const uint32_t msg = image.String("msg");
    const uint32_t any = image.String("");
    FunctionSpec r;
    r.signature = "$void@Thing::Run(string)";
    r.slot = 1;
    r.arguments = 2;
    r.locals = 2;
    r.depth = 3;
    r.referenceSlots = {1, 2};
    r.code = CodeWriter()
                 .Op16(OP_LoadLocalRef, 1)    // 0
                 .Op16(OP_StoreLocalRef, 2)   // 3
                 .Op32(OP_PushConst, 5)       // 6
                 .Op(OP_Switch).U16(2).I32(1).I32(5).I32(34).I32(43).I32(59)  // 11
                 .Op16(OP_NewObject, thing)   // 34
                 .Op(OP_PopRef)               // 37
                 .Op32(OP_Jump, 43)           // 38
                 .Op16(OP_PushString, hello)  // 43
                 .Op(OP_PopRef)               // 46
                 .Op(OP_Wait).U16(1).U16(msg).U16(any).I32(58)  // 47
                 .Op(OP_PopRef)               // 58
                 .Op(OP_Return)               // 59
                 .Bytes();
    r.lines = {{0, 10}, {6, 11}, {43, 14}, {58, 20}};
    t.functions.push_back(r);
    FunctionSpec init;
    init.signature = "::Thing()";
    init.flags = 0x20;
    init.locals = 1;
    init.highestTemporary = 1;
    init.depth = 1;
    // Slot 4 is the size member of the Part view (slot 2 is that view's start).
    init.code = CodeWriter().Op(OP_PushZero).Op16(OP_StoreMyMember, 4).Op(OP_Return).Bytes();
    init.lineTable = false;
    t.initFunction = init;
    return image;
}

// Position of the section with `tag` in an image (its length word).
size_t Section(const std::vector<uint8_t>& bytes, uint32_t tag) {
    auto word = [&](size_t at) {
        uint32_t value;
        std::memcpy(&value, bytes.data() + at, 4);
        return value;
    };
    size_t position = 24 + word(20);
    while (word(position + 4) != tag) position += word(position);
    return position;
}

void PatchWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

class GSLoaderDamage : public GSTest::MachineTest {
protected:
    // Loads an image straight through GSLibrary::Load, linked against what
    // the machine holds; the library is deleted again.
    int32_t LoadDirect(const std::vector<uint8_t>& bytes) {
        GSLibraryBuffer* buffer = GSRuntime::GSHeapNew<GSLibraryBuffer>(GSRuntime::GSMachineHeap());
        buffer->Init(1024);
        buffer->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        GSLibrary* library = new GSLibrary();
        const int32_t result = library->Load(machine, buffer);
        delete library;
        return result;
    }
};

TEST_F(GSLoaderDamage, RichImageLoadsAndLinks) {
    ImageBuilder image = Rich(Id(0));
    ASSERT_TRUE(Register("rich.gsl", image.Build()));
    GSLibrary* library = machine->GetLibrary(Id(0));
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Could not resolve native link $void@Part::Poke()"});
    const GSRuntime::GSClass* thing = library->FindClass("Thing");
    EXPECT_EQ(thing->BaseClass(0), library->FindClass("Part"));
    EXPECT_EQ(thing->GetFunction(0)->LineAt(50), 14);
}

struct Damage {
    const char* name;
    std::function<void(ImageBuilder&)> edit;
    std::function<void(std::vector<uint8_t>&)> patch;
    const char* failingClass;  // the class whose load (or, for -3, link) fails, or null
    int32_t result = GSRuntime::kGSLoadMalformed;
};

std::vector<Damage> Damages() {
    auto part = [](ImageBuilder& i) -> ClassSpec& { return i.Classes()[0]; };
    auto thing = [](ImageBuilder& i) -> ClassSpec& { return i.Classes()[1]; };
    auto run = [thing](ImageBuilder& i) -> FunctionSpec& { return thing(i).functions[0]; };
    auto sizeCode = [part](ImageBuilder& i) -> std::vector<uint8_t>& { return part(i).functions[0].code; };
    std::vector<Damage> d;
    d.push_back({"name without its NUL", nullptr, [](std::vector<uint8_t>& b) { PatchWord(b, 20, 3); }, nullptr});
    d.push_back({"section out of order", nullptr, [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 4) + 4, 5); },
                 nullptr});
    d.push_back({"section longer than the image", nullptr,
                 [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 6), 0x10000); }, nullptr});
    d.push_back({"chunk shorter than its header", nullptr, [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 2), 4); },
                 nullptr});
    d.push_back({"dependent count past its section", nullptr,
                 [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 2) + 8, 0x40000000); }, nullptr});
    d.push_back({"string count past its section", [](ImageBuilder& i) { i.stringCount = 1000; }, nullptr, nullptr});
    d.push_back({"string offset outside its section", nullptr,
                 [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 3) + 12, 0x10000); }, nullptr});
    d.push_back({"class import of no dependent", [](ImageBuilder& i) { i.ClassImports()[0].first = 5; }, nullptr, nullptr});
    d.push_back({"class import of no string", [](ImageBuilder& i) { i.ClassImports()[0].second = 999; }, nullptr, nullptr});
    d.push_back({"function import of no class import", [](ImageBuilder& i) { i.FunctionImports()[0].classImport = 9; },
                 nullptr, nullptr});
    d.push_back({"function import of no string", [](ImageBuilder& i) { i.FunctionImports()[0].signature = 999; },
                 nullptr, nullptr});
    d.push_back({"class chunk with another tag", nullptr,
                 [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 6) + 16, 8); }, ""});
    d.push_back({"class count past its section", nullptr,
                 [](std::vector<uint8_t>& b) { PatchWord(b, Section(b, 6) + 8, 1000); }, nullptr});
    d.push_back({"function count past its chunk", [part](ImageBuilder& i) { part(i).functionCount = 100000; }, nullptr,
                 "Part"});
    d.push_back({"no class initialisation",
                 [part](ImageBuilder& i) {
                     part(i).omitInitFunction = true;
                     part(i).functions.clear();
                 },
                 nullptr, "Part"});
    d.push_back({"base of no class import", [thing](ImageBuilder& i) { thing(i).bases[0].classImport = 7; }, nullptr,
                 "Thing"});
    d.push_back({"base view outside the data", [thing](ImageBuilder& i) { thing(i).bases[0].dataOffset = 14; }, nullptr,
                 "Thing"});
    d.push_back({"virtual row of no function import", [part](ImageBuilder& i) { part(i).vtable[0].first = 9; }, nullptr,
                 "Part"});
    d.push_back({"virtual row on no view", [thing](ImageBuilder& i) { thing(i).vtable[0].second = 5; }, nullptr, "Thing"});
    d.push_back({"header offset", [run](ImageBuilder& i) { run(i).headerOffset = 7; }, nullptr, "Thing"});
    d.push_back({"argument offset", [run](ImageBuilder& i) { run(i).argumentOffset = 0; }, nullptr, "Thing"});
    d.push_back({"no argument slot", [run](ImageBuilder& i) {
                     run(i).arguments = 0;
                     run(i).referenceSlots.clear();
                 },
                 nullptr, "Thing"});
    d.push_back({"frame size below its header", [run](ImageBuilder& i) { run(i).frameSize = 3; }, nullptr, "Thing"});
    d.push_back({"slots needed below the frame", [run](ImageBuilder& i) { run(i).slotsNeeded = 5; }, nullptr, "Thing"});
    d.push_back({"frame larger than the stack", [run](ImageBuilder& i) { run(i).depth = 1018; }, nullptr, "Thing"});
    d.push_back({"result class of no import", [run](ImageBuilder& i) { run(i).resultClass = 2; }, nullptr, "Thing"});
    d.push_back({"reference slot is me", [run](ImageBuilder& i) { run(i).referenceSlots = {0, 2}; }, nullptr, "Thing"});
    d.push_back({"reference slot past the locals", [run](ImageBuilder& i) { run(i).referenceSlots = {1, 4}; }, nullptr,
                 "Thing"});
    d.push_back({"reference slot twice", [run](ImageBuilder& i) { run(i).referenceSlots = {2, 2}; }, nullptr, "Thing"});
    d.push_back({"illegal opcode", [sizeCode](ImageBuilder& i) { sizeCode(i)[0] = 200; }, nullptr, "Part"});
    d.push_back({"local slot outside the frame",
                 [sizeCode](ImageBuilder& i) { sizeCode(i) = CodeWriter().Op16(OP_LoadLocal, 1).Op(OP_ReturnValue).Bytes(); },
                 nullptr, "Part"});
    d.push_back({"string index outside the table",
                 [sizeCode](ImageBuilder& i) { sizeCode(i) = CodeWriter().Op16(OP_PushString, 999).Op(OP_ReturnRef).Bytes(); },
                 nullptr, "Part"});
    d.push_back({"class index outside the imports",
                 [sizeCode](ImageBuilder& i) { sizeCode(i) = CodeWriter().Op16(OP_NewObject, 2).Op(OP_ReturnRef).Bytes(); },
                 nullptr, "Part"});
    d.push_back({"code running off its end",
                 [sizeCode](ImageBuilder& i) { sizeCode(i) = CodeWriter().Op16(OP_LoadMyMember, 2).Bytes(); }, nullptr,
                 "Part"});
    d.push_back({"jump into an operand", [run](ImageBuilder& i) { run(i).code[39] = 44; }, nullptr, "Thing"});
    d.push_back({"code longer than its chunk", nullptr,
                 [](std::vector<uint8_t>& b) {
                     // The code length word of Part's first function: class
                     // chunk + 8 + 12 (name, flags, bases) + 12 (table) +
                     // 8 (function chunk) + 13 words.
                     PatchWord(b, Section(b, 6) + 12 + 8 + 12 + 12 + 8 + 52, 0x1000);
                 },
                 "Part"});
    d.push_back({"instance slots beyond any block", [part](ImageBuilder& i) { part(i).instanceSlots = 0x7FFFFFFF; },
                 nullptr, "Part"});
    d.push_back({"initialiser row outside the data",
                 [part](ImageBuilder& i) { part(i).initRows = std::vector<GSTest::InitRowSpec>{{1, 10, 0}}; }, nullptr,
                 "Part"});
    d.push_back({"view offset row with another value",
                 [thing](ImageBuilder& i) {
                     thing(i).initRows = std::vector<GSTest::InitRowSpec>{{0, 2, 2}, {1, 3, 0}, {1, 1, 0}};
                 },
                 nullptr, "Thing"});
    d.push_back({"virtual-table row past the table",
                 [thing](ImageBuilder& i) { thing(i).initRows = std::vector<GSTest::InitRowSpec>{{1, 1, 3}}; }, nullptr,
                 "Thing"});
    d.push_back({"member outside the data", [part](ImageBuilder& i) { part(i).members[0].slot = 10; }, nullptr, "Part"});
    d.push_back({"member of no class import", [part](ImageBuilder& i) { part(i).members[0].classIndex = 2; }, nullptr,
                 "Part"});
    d.push_back({"reference member on a fixed slot", [part](ImageBuilder& i) { part(i).referenceMembers = {1}; }, nullptr,
                 "Part"});
    d.push_back({"reference member outside the data", [part](ImageBuilder& i) { part(i).referenceMembers = {10}; },
                 nullptr, "Part"});
    d.push_back({"reference member twice", [part](ImageBuilder& i) { part(i).referenceMembers = {3, 3}; }, nullptr,
                 "Part"});
    // Code and layouts that would let the interpreter take an integer for
    // a reference.
    auto sizeIs = [sizeCode](CodeWriter code) { return [sizeCode, code](ImageBuilder& i) { sizeCode(i) = code.Bytes(); }; };
    d.push_back({"release of an integer", sizeIs(CodeWriter().Op(OP_PushOne).Op(OP_PopRef).Op(OP_PushOne).Op(OP_ReturnValue)),
                 nullptr, "Part"});
    d.push_back({"array size of an integer", sizeIs(CodeWriter().Op(OP_PushOne).Op(OP_ArraySize).Op(OP_ReturnValue)),
                 nullptr, "Part"});
    d.push_back({"integer stored as a reference member",
                 sizeIs(CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_PushOne).Op16(OP_StoreMemberRef, 3).Op(OP_PushOne)
                            .Op(OP_ReturnValue)),
                 nullptr, "Part"});
    d.push_back({"call through an integer",
                 sizeIs(CodeWriter().Op(OP_PushOne).Op(OP_Call).U16(0).U16(0).Op(OP_ReturnValue)), nullptr, "Part"});
    d.push_back({"integer returned as a reference", sizeIs(CodeWriter().Op(OP_PushOne).Op(OP_ReturnRef)), nullptr, "Part"});
    d.push_back({"value or reference joined, then released",
                 // 0 PushOne, 1 JumpIfZero 12, 6 NewString, 7 Jump 13, 12 PushOne, 13 PopRef, 14 PushOne, 15 ReturnValue
                 sizeIs(CodeWriter().Op(OP_PushOne).Op32(OP_JumpIfZero, 12).Op(OP_NewString).Op32(OP_Jump, 13)
                            .Op(OP_PushOne).Op(OP_PopRef).Op(OP_PushOne).Op(OP_ReturnValue)),
                 nullptr, "Part"});
    d.push_back({"paths that join at different depths",
                 // 0 PushOne, 1 PushOne, 2 JumpIfZero 8, 7 PushOne, 8 ReturnValue
                 sizeIs(CodeWriter().Op(OP_PushOne).Op(OP_PushOne).Op32(OP_JumpIfZero, 8).Op(OP_PushOne)
                            .Op(OP_ReturnValue)),
                 nullptr, "Part"});
    d.push_back({"initialiser row on a member",
                 [thing](ImageBuilder& i) {
                     thing(i).initRows = std::vector<GSTest::InitRowSpec>{{0, 2, -2}, {1, 3, 0}, {0, 12, -12}};
                 },
                 nullptr, "Thing"});
    d.push_back({"base view without its offset row",
                 [thing](ImageBuilder& i) { thing(i).initRows = std::vector<GSTest::InitRowSpec>{{1, 3, 0}}; }, nullptr,
                 "Thing"});
    // Code that copies a reference without its count, or reaches a slot or
    // a method no class the library knows keeps there: a second owner of
    // one count frees the object while it is still held.
    auto runIs = [run](CodeWriter code) { return [run, code](ImageBuilder& i) { run(i).code = code.Bytes(); }; };
    const int32_t link = GSRuntime::kGSLoadLinkError;
    d.push_back({"value load of me", runIs(CodeWriter().Op16(OP_LoadLocal, 0).Op16(OP_StoreLocalRef, 2).Op(OP_Return)),
                 nullptr, "Thing"});
    d.push_back({"value load of a reference argument",
                 runIs(CodeWriter().Op16(OP_LoadLocal, 1).Op16(OP_StoreLocalRef, 2).Op(OP_Return)), nullptr, "Thing"});
    d.push_back({"value store into a reference local",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 1).Op16(OP_StoreLocal, 2).Op(OP_Return)), nullptr, "Thing"});
    d.push_back({"keeping value store of a reference into a reference local",
                 runIs(CodeWriter().Op(OP_NewString).Op16(OP_StoreLocalKeep, 2).Op(OP_PopRef).Op(OP_Return)), nullptr,
                 "Thing"});
    d.push_back({"temporary loaded twice after a reference went in",
                 // 0 NewString, 1 StoreLocal 3, 4 LoadLocal 3, 7 PopRef, 8 LoadLocal 3, 11 PopRef, 12 Return
                 [run](ImageBuilder& i) {
                     run(i).locals = 3;
                     run(i).code = CodeWriter().Op(OP_NewString).Op16(OP_StoreLocal, 3).Op16(OP_LoadLocal, 3)
                                       .Op(OP_PopRef).Op16(OP_LoadLocal, 3).Op(OP_PopRef).Op(OP_Return).Bytes();
                 },
                 nullptr, "Thing"});
    d.push_back({"value copy of a reference", runIs(CodeWriter().Op(OP_NewString).Op(OP_Dup).Op(OP_PopRef).Op(OP_PopRef)
                                                        .Op(OP_Return)),
                 nullptr, "Thing"});
    d.push_back({"reference copied as an index",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 1).Op(OP_NewString).Op(OP_DupPairRef).Op(OP_PopRef).Op(OP_PopRef)
                           .Op(OP_PopRef).Op(OP_PopRef).Op(OP_Return)),
                 nullptr, "Thing"});
    d.push_back({"member access to a view's offset slot",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 0).Op16(OP_LoadMember, 0).Op(OP_Pop).Op(OP_Return)), nullptr,
                 "Thing"});
    d.push_back({"counted load of a base view's offset slot",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 0).Op16(OP_LoadMemberRef, 2).Op16(OP_StoreLocalRef, 2)
                           .Op(OP_Return)),
                 nullptr, "Thing", link});
    d.push_back({"counted load of a base view's table slot of me",
                 runIs(CodeWriter().Op16(OP_LoadMyMemberRef, 3).Op16(OP_StoreLocalRef, 2).Op(OP_Return)), nullptr,
                 "Thing", link});
    d.push_back({"value load of a reference member of me",
                 runIs(CodeWriter().Op16(OP_LoadMyMember, 12).Op(OP_Pop).Op(OP_Return)), nullptr, "Thing", link});
    d.push_back({"value store into a reference member of me",
                 runIs(CodeWriter().Op(OP_PushZero).Op16(OP_StoreMyMember, 12).Op(OP_Return)), nullptr, "Thing", link});
    d.push_back({"counted load of a value member of a new object",
                 runIs(CodeWriter().Op16(OP_NewObject, 1).Op16(OP_LoadMemberRef, 4).Op16(OP_StoreLocalRef, 2)
                           .Op(OP_Return)),
                 nullptr, "Thing", link});
    d.push_back({"native call past every method table",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_CallNative).U16(0).U16(1025).Op(OP_Return)), nullptr,
                 "Thing", link});
    d.push_back({"native call of a script method",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_CallNative).U16(0).U16(0).Op(OP_Pop).Op(OP_Return)),
                 nullptr, "Thing", link});
    d.push_back({"script call past every method table",
                 runIs(CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_Call).U16(0).U16(2).Op(OP_Return)), nullptr, "Thing",
                 link});
    return d;
}

// Forms the code generator writes, or that the library format allows, load:
// a frame whose declared operand depth is one slot short, a temporary that
// holds a message and later an integer, a call result dropped by a plain
// pop.
TEST_F(GSLoaderDamage, FormsTheFormatAllowsLoad) {
    struct Form {
        const char* name;
        std::function<void(ImageBuilder&)> edit;
    };
    const std::vector<Form> forms = {
        {"operand depth one slot short",
         [](ImageBuilder& i) {
             FunctionSpec& size = i.Classes()[0].functions[0];
             size.depth = 1;
             size.code = CodeWriter().Op(OP_PushOne).Op(OP_PushOne).Op(OP_AddInt).Op(OP_ReturnValue).Bytes();
         }},
        {"temporary holding a message, then an integer",
         [](ImageBuilder& i) {
             FunctionSpec& run = i.Classes()[1].functions[0];
             run.locals = 3;
             const uint16_t msg = static_cast<uint16_t>(i.String("msg"));
             const uint16_t any = static_cast<uint16_t>(i.String(""));
             // 0 Wait -> 11; 11 StoreLocal 3; 14 LoadLocal 3; 17 PopRef;
             // 18 PushOne; 19 StoreLocal 3; 22 Return
             run.code = CodeWriter().Op(OP_Wait).U16(1).U16(msg).U16(any).I32(11).Op16(OP_StoreLocal, 3)
                            .Op16(OP_LoadLocal, 3).Op(OP_PopRef).Op(OP_PushOne).Op16(OP_StoreLocal, 3).Op(OP_Return)
                            .Bytes();
         }},
        {"call result dropped by a plain pop",
         [](ImageBuilder& i) {
             FunctionSpec& run = i.Classes()[1].functions[0];
             run.code = CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_Call).U16(0).U16(0).Op(OP_Pop).Op(OP_Return)
                            .Bytes();
         }},
    };
    uint32_t n = 100;
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        const GSLibraryId id = Id(++n);
        ImageBuilder image = Rich(id);
        form.edit(image);
        ASSERT_TRUE(Register("form" + std::to_string(n) + ".gsl", image.Build()));
        EXPECT_NE(machine->GetLibrary(id), nullptr);
    }
}

TEST_F(GSLoaderDamage, DamagedImagesAreRefusedWithoutLeaks) {
    uint32_t n = 0;
    for (const Damage& damage : Damages()) {
        SCOPED_TRACE(damage.name);
        const GSLibraryId id = Id(++n);
        ImageBuilder image = Rich(id);
        if (damage.edit) damage.edit(image);
        std::vector<uint8_t> bytes = image.Build();
        if (damage.patch) damage.patch(bytes);
        const std::string file = "damaged" + std::to_string(n) + ".gsl";
        ASSERT_TRUE(Register(file, bytes));
        const int64_t live = GSRuntime::GSMachineHeap().LiveBlocks();
        const uint32_t functions = machine->Functions().LiveCount();
        log.Clear();

        EXPECT_EQ(machine->GetLibrary(id), nullptr);
        std::vector<std::string> expected;
        if (damage.result == GSRuntime::kGSLoadLinkError) {
            // Linking reports the native it cannot bind before the code check.
            expected.push_back("Could not resolve native link $void@Part::Poke()");
            expected.push_back(std::string("GS Link error: Unable to link '") + damage.failingClass + "'");
        }
        else if (damage.failingClass)
            expected.push_back(std::string("GS Link error: Unable to initialise class '") + damage.failingClass + "'");
        expected.push_back("GSMachine: Error " + std::to_string(damage.result) + " loading library " + file + " (" +
                           (damage.patch && std::string(damage.name) == "name without its NUL" ? "" : "rich.gs") + ")");
        EXPECT_EQ(log.Lines(), expected);
        EXPECT_EQ(GSRuntime::GSMachineHeap().LiveBlocks(), live);
        EXPECT_EQ(machine->Functions().LiveCount(), functions);
    }
}

TEST_F(GSLoaderDamage, EveryPrefixIsMalformed) {
    const std::vector<uint8_t> bytes = Rich(Id(0)).Build();
    ASSERT_TRUE(Register("rich.gsl", bytes));
    ASSERT_NE(machine->GetLibrary(Id(0)), nullptr);
    const int64_t live = GSRuntime::GSMachineHeap().LiveBlocks();
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(LoadDirect(prefix), GSRuntime::kGSLoadMalformed) << length;
    }
    EXPECT_EQ(LoadDirect(bytes), GSRuntime::kGSLoadOk);
    // Registration refuses a wrong magic; the loader checks it again.
    std::vector<uint8_t> magic(bytes);
    magic[4] ^= 1;
    EXPECT_EQ(LoadDirect(magic), GSRuntime::kGSLoadMalformed);
    EXPECT_EQ(GSRuntime::GSMachineHeap().LiveBlocks(), live);
}

TEST_F(GSLoaderDamage, RandomByteChangesLoadCleanlyOrFail) {
    const std::vector<uint8_t> bytes = Rich(Id(0)).Build();
    ASSERT_TRUE(Register("rich.gsl", bytes));
    ASSERT_NE(machine->GetLibrary(Id(0)), nullptr);
    const int64_t live = GSRuntime::GSMachineHeap().LiveBlocks();
    const uint32_t functions = machine->Functions().LiveCount();
    std::mt19937 random(20240611);
    std::set<int32_t> results;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> damaged(bytes);
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes; ++c) {
            const size_t at = random() % damaged.size();
            if (random() % 2)
                damaged[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            else
                damaged[at] = static_cast<uint8_t>(random());
        }
        const int32_t result = LoadDirect(damaged);
        ASSERT_TRUE(result == 0 || result == -1 || result == -2 || result == -3) << result;
        results.insert(result);
    }
    EXPECT_TRUE(results.count(0));
    EXPECT_TRUE(results.count(-1));
    EXPECT_EQ(GSRuntime::GSMachineHeap().LiveBlocks(), live);
    EXPECT_EQ(machine->Functions().LiveCount(), functions);
}

}  // namespace
