// Scopes and slots of variables, declarations-only checking of included
// files, the walk stack's limit, and the example scripts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SemanticTestSupport.h"
#include "gscompiler/GSTypes.h"
#include "support/SourceTree.h"

namespace {

using GSSemanticTest::InFunction;
using GSSemanticTest::Program;

GSCNode* Function(Program& program, int n) {
    for (GSCNode* member = program.Class()->children[2]; member; member = member->next)
        if (member->Is(kGSDeclaration, kGSDeclFunction) && n-- == 0) return member;
    return nullptr;
}

TEST(Scopes, LocalShadowsMemberUntilItsBlockCloses) {
    Program program(
        "class C {\nint y;\nint x;\n"
        "void f(int a) {\nint x;\nx = 1;\n{ float y; y = 2; }\ny = 3;\n}\n"
        "void g() {\nx = 4;\n}\n};");
    ASSERT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    // f: slot 0 is me, 1 the argument, 2 the local x, 3 the inner y.
    GSCNode* declaration = Program::Body(Function(program, 0));
    GSCNode* localX = declaration->next->children[0];
    GSCNode* innerY = declaration->next->next->children[0]->next->children[0];
    GSCNode* memberY = declaration->next->next->next->children[0];
    GSCNode* memberX = Program::Body(Function(program, 1))->children[0];

    struct Expect {
        GSCNode* node;
        int16_t slot;
        bool local;
        int32_t type;
    };
    // Members start at data slot 2 (slots 0 and 1 belong to the instance).
    for (const Expect& e : {Expect{localX, 2, true, kGSTypeInt}, Expect{innerY, 3, true, kGSTypeFloat},
                            Expect{memberY, 2, false, kGSTypeInt}, Expect{memberX, 3, false, kGSTypeInt}}) {
        EXPECT_EQ(e.node->slot, e.slot) << e.node->Text();
        EXPECT_EQ((e.node->flags & 0x80000000u) != 0, e.local) << e.node->Text();
        EXPECT_TRUE(e.node->flags & kGSNodeLValue) << e.node->Text();
        EXPECT_EQ(e.node->typeCode, e.type) << e.node->Text();
    }
    // The locals left the class's table with their scopes.
    auto* cls = static_cast<GSCompiler::GSClassSymbol*>(program.Symbols().Find("C", nullptr, false, false));
    EXPECT_EQ(cls->FindLocal("x", false)->level, 0);
    EXPECT_EQ(cls->FindLocal("a", false), nullptr);
}

TEST(Scopes, BlocksNestedBeyondTheDeepestScopeLevel) {
    // 70 nested blocks: those past the 64th scope level share the deepest
    // scope, and the walk comes back out to the function's own scope: its b
    // is still there, the innermost a is gone.
    std::string body = "int b;\n";
    for (int n = 0; n < 70; ++n) body += "{";
    body += "int a;\na = 1;";
    for (int n = 0; n < 70; ++n) body += "}";
    Program program(InFunction(body + "\nint b;\na;"));
    EXPECT_EQ(program.Messages(), (std::vector<std::string>{
                                      "test.gs(7) : Variable b already declared in this scope, line 7.",
                                      "test.gs(8) : variable a not declared, line 8.",
                                  }));
}

TEST(Scopes, MemberAccessFindsMembersNotLocals) {
    Program program("class C {\npublic int x;\nvoid f() {\nstring x;\nme.x = 1;\n}\n};");
    EXPECT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* access = Program::Body(Function(program, 0))->next->children[0];
    EXPECT_EQ(access->typeCode, kGSTypeInt);
    EXPECT_EQ(access->slot, 2);
    EXPECT_EQ(access->children[1]->slot, 2);
}

TEST(Scopes, SlotsOfInheritedMembers) {
    // Members of bases are addressed in the layout of the class whose code
    // uses them.
    Program program(
        "class A { public int a; };\nclass B isclass A { public int b; };\n"
        "class C isclass B {\nint c;\nvoid f() {\na = 1;\nb = 2;\nc = 3;\n}\n};");
    ASSERT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* statement = Program::Body(Program::Member(program.Class(2), 1));
    std::vector<int16_t> slots;
    for (; statement && statement->Is(kGSExpression, kGSExprOperator); statement = statement->next)
        slots.push_back(statement->children[0]->slot);
    auto* symbols = &program.Symbols();
    auto* c = static_cast<GSCompiler::GSClassSymbol*>(symbols->Find("C", nullptr, false, false));
    std::vector<int16_t> expected;
    for (const char* name : {"a", "b", "c"}) {
        int16_t slot = -1;
        EXPECT_EQ(symbols->SlotOf(c->FindMember(name, false, true), c, slot), 0);
        expected.push_back(slot);
    }
    EXPECT_EQ(slots, expected);
}

TEST(DeclarationsOnly, IncludedFileGivesDeclarationsWithoutCheckingBodies) {
    const GSSemanticTest::SourceFile library{
        "lib.gs",
        "static class Lib {\npublic define int N = 4;\npublic define float F = N / 8.0;\n"
        "public int Twice(int a) {\nreturn nope + \"x\";\n}\n};"};
    Program program("class M {\nint x = Lib.N * 2;\nint y = Lib.Twice(3);\nfloat z = Lib.F;\n};", {library});
    EXPECT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* x = Program::Member(program.Class(), 0)->children[1];
    EXPECT_EQ(GSSemanticTest::PrintNode(x), "(decl x 8)");
    GSCNode* z = Program::Member(program.Class(), 2)->children[1];
    EXPECT_EQ(GSSemanticTest::PrintNode(z), "(decl z 0.5f)");
}

TEST(DeclarationsOnly, DeclarationErrorsOfAnIncludedFileAreReported) {
    const GSSemanticTest::SourceFile library{"lib.gs", "class Lib {\nint x;\nint x;\n};"};
    Program program("class M {};", {library});
    EXPECT_EQ(program.Messages(),
              std::vector<std::string>{"lib.gs(3) : Variable x already declared in this scope, line 3."});
}

// x = i + i + ... + i with `operands` operands, left-nested: each level of
// the tree keeps its own leave entry and its right operand on the walk
// stack while the walk goes down the left operand.
std::string LongSum(int operands) {
    std::string sum = "i";
    for (int n = 1; n < operands; ++n) sum += " + i";
    return InFunction("x = " + sum + ";\nnope;", "int x;\nint i;");
}

TEST(WalkStack, NestingDeeperThanTheStackStopsThePass) {
    // 127 entries are usable and null children take none. The leave entries
    // of the class, the function, its body and the assignment hold 4; each of
    // the n - 1 additions holds its leave entry and its right operand, and
    // the innermost pushes its left operand too: 2n + 3 entries.
    constexpr int kLongest = 62;
    Program fits(LongSum(kLongest));
    EXPECT_EQ(fits.Messages(), std::vector<std::string>{"test.gs(6) : variable nope not declared, line 6."});

    // One entry too many: one message, one error, and the pass stops (the
    // unknown name after it is never reached).
    Program deep(LongSum(kLongest + 1));
    EXPECT_EQ(deep.Messages(), std::vector<std::string>{"Stack overflow; code nested too deep."});
    EXPECT_EQ(deep.Errors(), 1);
    EXPECT_FALSE(deep.Walked());
}

std::string ReadExample(const std::string& name) {
    std::string path = SourceTreePath("examples/scripts/" + std::string(name));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_FALSE(text.str().empty()) << path;
    return text.str();
}

TEST(Examples, ExampleScriptsPass) {
    const GSSemanticTest::SourceFile timetable{"timetable.gs", ReadExample("timetable.gs")};
    Program alone(timetable.text);
    EXPECT_TRUE(alone.Messages().empty()) << ::testing::PrintToString(alone.Messages());
    Program station(ReadExample("station.gs"), {timetable});
    EXPECT_TRUE(station.Messages().empty()) << ::testing::PrintToString(station.Messages());
}

}  // namespace
