// Statement binding: break, continue, case, default and on find the
// statement they belong to through their parents; switches and waits list
// theirs; a void function gets its final return.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SemanticTestSupport.h"

namespace {

using GSSemanticTest::InFunction;
using GSSemanticTest::Program;

GSCNode* FunctionBody(Program& program) {
    GSCNode* function = nullptr;
    for (GSCNode* member = program.Class()->children[2]; member; member = member->next)
        if (member->Is(kGSDeclaration, kGSDeclFunction)) function = member;
    return Program::Body(function);
}

std::vector<GSCNode*> Chain(const GSCNode* owner) {
    std::vector<GSCNode*> out;
    for (GSCNode* node = owner->chain; node; node = node->chain) out.push_back(node);
    return out;
}

TEST(StatementBinding, CaseInANestedBlockBelongsToTheSwitch) {
    Program program(InFunction("int i;\nswitch (i) {\ncase 1: { case 2: break; }\ndefault: break;\n}"));
    ASSERT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* sw = FunctionBody(program)->next;
    ASSERT_TRUE(sw->Is(kGSStatement, kGSStmtSwitch));
    GSCNode* case1 = sw->children[1]->children[0];
    GSCNode* block = case1->next;
    GSCNode* case2 = block->children[0];
    GSCNode* innerBreak = case2->next;
    GSCNode* deflt = block->next;

    EXPECT_EQ(Chain(sw), (std::vector<GSCNode*>{case1, case2, deflt}));
    for (GSCNode* label : {case1, case2, deflt, innerBreak}) EXPECT_EQ(label->Bound(), sw);
    EXPECT_TRUE(sw->flags & kGSNodeHasDefault);
}

TEST(StatementBinding, JumpsFindTheNearestEnclosingStatement) {
    Program program(InFunction(
        "int i;\n"
        "while (i) {\nswitch (i) {\ncase 1: continue;\ndefault: break;\n}\n}\n"
        "for (;;) { wait() { on \"a\", \"b\": break; } break; }"));
    ASSERT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* loop = FunctionBody(program)->next;
    GSCNode* sw = loop->children[1]->children[0];
    GSCNode* cont = sw->children[1]->children[0]->next;
    GSCNode* brk = cont->next->next;
    EXPECT_EQ(cont->Bound(), loop) << "continue passes over the switch";
    EXPECT_EQ(brk->Bound(), sw);

    GSCNode* forLoop = loop->next;
    GSCNode* wait = forLoop->children[2]->children[0];
    GSCNode* on = wait->children[0]->children[0];
    EXPECT_EQ(on->next->Bound(), wait) << "break inside a wait leaves the wait";
    EXPECT_EQ(wait->next->Bound(), forLoop);
}

TEST(StatementBinding, APreviousSiblingDoesNotEnclose) {
    Program program(InFunction("while (1) {}\nbreak;"));
    EXPECT_EQ(program.Messages(), std::vector<std::string>{"test.gs(5) : illegal break, line 5."});
}

TEST(StatementBinding, OnStatements) {
    Program program(InFunction(
        "object m;\n"
        "wait() {\non \"A\", \"x\", m: continue;\non \"B\", \"\": break;\n}\n"
        "on \"C\", \"y\": return;"));
    ASSERT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* wait = FunctionBody(program)->next;
    GSCNode* first = wait->children[0]->children[0];
    GSCNode* second = first->next->next;
    EXPECT_EQ(Chain(wait), (std::vector<GSCNode*>{first, second}));
    EXPECT_EQ(first->Bound(), wait);
    EXPECT_EQ(first->next->Bound(), wait) << "continue waits again";

    // Outside any wait an on statement is accepted and stays unbound.
    GSCNode* alone = wait->next;
    ASSERT_TRUE(alone->Is(kGSStatement, kGSStmtOn));
    EXPECT_EQ(alone->Bound(), nullptr);
}

TEST(StatementBinding, FinalReturnOfAVoidFunction) {
    struct Case {
        const char* function;
        const char* body;
    };
    const std::vector<Case> cases = {
        {"void f() {}", "return"},
        {"void f() { int i; }", "[(vars type:int (decl i)) return]"},
        {"void f() { return; }", "return"},
        {"int f() { return 1; }", "(return 1)"},
    };
    for (const auto& c : cases) {
        Program program(std::string("class C {\n") + c.function + "\n};");
        ASSERT_TRUE(program.Messages().empty()) << c.function;
        EXPECT_EQ(GSPrintTree(FunctionBody(program)), c.body) << c.function;
    }
}

}  // namespace
