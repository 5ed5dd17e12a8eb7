// Frames and temporaries, the line table, and the failures of code
// generation with their messages.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gscompiler/libsupport/GSCheckedBuild.h"

namespace {

using Lines = std::vector<std::pair<uint32_t, uint32_t>>;

class CodeGeneration : public GSTest::CheckedBuildTest {};

// A temporary lies below the frame header: the local area holds the
// declared locals, the highest temporary index and one slot more.
TEST_F(CodeGeneration, TemporariesGetASlotOfTheirOwn) {
    auto compiled = Build(
        "class M { public int x; };\n"
        "class C {\n"
        "  M m;\n"
        "  int k = m.x++;\n"
        "  int f(int i) { int j; j = m.x++; return j; }\n"
        "  int g(int i) { int j; j = i; return j; }\n"
        "};\n");
    // f: `me`, i, j; the temporary is slot 3, so the local area is j and
    // the temporary.
    const GSTest::ImageFunction* f = compiled->Function("C", "$int@C::f(int)");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(compiled->Listing("C", "$int@C::f(int)"),
              (std::vector<std::string>{"LoadMyMemberRef 2", "DupRef", "LoadMember 2", "StoreLocalKeep 3", "IncInt",
                                        "StoreMember 2", "LoadLocal 3", "StoreLocal 2", "LoadLocal 2",
                                        "ReturnValue"}));
    EXPECT_EQ(f->localCount, 1u);
    EXPECT_EQ(f->highestTemporary, 0u);
    EXPECT_EQ(f->frameSize, 6u);     // L = 2
    EXPECT_EQ(f->headerOffset, 3u);  // L + 1
    EXPECT_EQ(f->argumentOffset, -1);
    EXPECT_EQ(f->slotsNeeded, 2u + 6u);  // the greatest depth is 2

    // Without temporaries the words stay as they were: L = the locals.
    const GSTest::ImageFunction* g = compiled->Function("C", "$int@C::g(int)");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->frameSize, 5u);
    EXPECT_EQ(g->headerOffset, 2u);

    // The class initialisation runs with `me` only: its temporary is slot
    // 1, never slot 0.
    const GSTest::ImageFunction* init = compiled->Function("C", "::C()");
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(compiled->Listing("C", "::C()"),
              (std::vector<std::string>{"LoadMyMemberRef 2", "DupRef", "LoadMember 2", "StoreLocalKeep 1", "IncInt",
                                        "StoreMember 2", "LoadLocal 1", "StoreMyMember 3", "Return"}));
    EXPECT_EQ(init->frameSize, 5u);
    EXPECT_EQ(init->headerOffset, 2u);
    EXPECT_EQ(init->argumentOffset, 0);
    EXPECT_EQ(init->argumentSlots, 1u);
    EXPECT_EQ(init->highestTemporary, 0u);
}

// Reference slots: the arguments and locals of string, object and array
// types, in declaration order.
TEST_F(CodeGeneration, ReferenceSlotsOfArgumentsLocalsAndMembers) {
    auto compiled = Build(
        "class C {\n"
        "  int n; string s; C c; float[] fs; bool b;\n"
        "  void f(int i, string t, C o) { float x; int[] a; { string u; } object p; }\n"
        "};\n");
    const GSTest::ImageFunction* f = compiled->Function("C", "$void@C::f(int,string,C)");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->referenceSlots, (std::vector<int32_t>{2, 3, 5, 6, 7}));
    const GSTest::ImageClass* c = compiled->library.Class("C");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->referenceMembers, (std::vector<int32_t>{3, 4, 5}));
}

// Lines are recorded when an instruction's line differs from the last
// pair's; the line is taken when a list or an operand is generated.
TEST_F(CodeGeneration, LineTable) {
    auto compiled = Build(
        "class C {\n"
        "  void f(int i) {\n"
        "    i = 1;\n"
        "    if (i)\n"
        "      i = 2;\n"
        "    i = i +\n"
        "        3;\n"
        "  }\n"
        "};\n");
    const GSTest::ImageFunction* f = compiled->Function("C", "$void@C::f(int)");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(compiled->Listing("C", "$void@C::f(int)"),
              (std::vector<std::string>{"PushOne", "StoreLocal 1", "LoadLocal 1", "JumpIfZero 20", "PushConst 2",
                                        "StoreLocal 1", "LoadLocal 1", "PushConst 3", "AddInt", "StoreLocal 1",
                                        "Return"}));
    // The sum takes line 6 from its left operand and line 7 from its right;
    // the store and the return added at the end keep line 7.
    EXPECT_EQ(f->lines, (Lines{{0, 3}, {4, 4}, {12, 5}, {20, 6}, {23, 7}}));
}

TEST_F(CodeGeneration, LabelsBelongToTheirFunction) {
    auto compiled = Build(
        "class C {\n"
        "  void f(int i) { again: i = 1; goto again; }\n"
        "  void g(int i) { goto again; i = 2; again: i = 1; }\n"
        "};\n");
    EXPECT_EQ(compiled->Listing("C", "$void@C::f(int)"),
              (std::vector<std::string>{"PushOne", "StoreLocal 1", "Jump 0", "Return"}));
    EXPECT_EQ(compiled->Listing("C", "$void@C::g(int)"),
              (std::vector<std::string>{"Jump 13", "PushConst 2", "StoreLocal 1", "PushOne", "StoreLocal 1",
                                        "Return"}));
}

TEST_F(CodeGeneration, FailuresAndTheirMessages) {
    const std::string generation = "\nInternal Code Generation Error...";
    struct Case {
        const char* name;
        std::string source;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        // Of two equal keys the later one is sorted first, so the report
        // names the line of the case written first.
        {"two cases of one value",
         "class C {\n  void f(int i) {\n    switch (i) {\n case 1: i = 2;\n break;\n case 1: break; default: break; }\n"
         "  }\n};",
         {"test.gs(4) : case has duplicate value, line 4", generation}},
        {"two cases of the largest int",
         "class C { void f(int i) { switch (i) { default: case 2147483647: case 2147483647: break; } } };",
         {"test.gs(1) : case has duplicate value, line 1", generation}},
        {"a goto without its label",
         "class C {\n  void f(int i) {\n    goto nowhere;\n  }\n};", {"test.gs(3) : no matching label, line 3",
                                                                        generation}},
        {"a label placed twice", "class C { void f(int i) { l: i = 1; l: i = 2; } };", {generation}},
        {"a prototype never defined", "class C { int f(int a); void g() { } };",
         {"Function ::f(int) not implemented", generation}},
        {"a native with a body", "class C { native int f() { return 1; } };",
         {"Native function ::f() has been implemented", generation}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Fail(c.source), c.messages);
    }
}

}  // namespace
