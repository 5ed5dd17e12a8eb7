// The pass over many combinations of statements and operand kinds: it
// never faults, it reports through the unit only, and a tree it accepts has
// every value typed, as the code generator needs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SemanticTestSupport.h"

namespace {

using GSSemanticTest::Program;

// Expression nodes that carry no value of their own: the name of a member
// and the called name of a call.
bool CarriesNoValue(const GSCNode* node, const GSCNode* parent, int index) {
    if (node->Is(kGSExpression, kGSExprMemberName)) return true;
    if (index == 0 && parent && parent->Is(kGSExpression, kGSExprCall)) return true;
    return false;
}

void CollectUntyped(const GSCNode* list, const GSCNode* parent, int index, std::vector<std::string>& out) {
    for (const GSCNode* node = list; node; node = node->next) {
        if (node->category == kGSExpression && node->typeCode == kGSTypeNone && !CarriesNoValue(node, parent, index))
            out.push_back(GSPrintTree(node));
        for (int i = 0; i < 4; ++i) CollectUntyped(node->children[i], node, i, out);
        index = -1;  // later elements of a list are nobody's first child
    }
}

TEST(Robustness, StatementAndOperandCombinations) {
    const std::vector<std::string> statements = {
        "A;",          "i = A;",        "s = A;",          "c = A;",           "if (A) {}",
        "while (A) {}", "for (; A;) {}", "switch (A) { case 1: break; default: break; }",
        "g(A);",       "A.i;",          "A.g(B);",         "A[B];",            "A[B, 1];",
        "A[, B];",     "(int)A;",       "(string)A;",      "cast<C>(A);",      "A.size();",
        "A.isclass(C);", "A.copy(B);",  "new C[A];",       "new int[A];",      "A++;",
        "--A;",        "-A;",           "!A;",             "~A;",              "A + B;",
        "A - B;",      "A % B;",        "A >> B;",         "A < B;",           "A == B;",
        "A and B;",    "A = B;",        "wait() { on \"a\", \"b\", A: break; }",
        "inherited(A);",
    };
    const std::vector<std::string> operands = {
        "i", "s", "f", "a", "c", "o", "me", "null", "(0)", "(2.5)", "\"t\"", "true", "h()", "g(1)", "C",
        "S",  "nope", "(1, s)", "a[0]", "c.i", "N", "S.k", "(-0.0)",
    };
    const std::string members =
        "int i;\nstring s;\nfloat f;\nint[] a;\nC c;\nobject o;\ndefine int N = 3;\n"
        "void g(int x) {}\nint h() { return 1; }\n";
    const std::string prefix = "static class S { public int k; };\nclass C {\n" + members + "void t(int x) {\n";
    int programs = 0;
    for (const auto& statement : statements) {
        const bool twoOperands = statement.find('B') != std::string::npos;
        for (const auto& first : operands) {
            for (const auto& second : twoOperands ? operands : std::vector<std::string>{"0"}) {
                std::string body = statement;
                body.replace(body.find('A'), 1, first);
                if (twoOperands) body.replace(body.find('B'), 1, second);
                Program program(prefix + body + "\n}\n};");
                ++programs;
                for (const auto& message : program.Messages())
                    EXPECT_EQ(message.rfind("test.gs(", 0), 0u) << body << ": " << message;
                if (program.Errors() != 0) continue;
                EXPECT_TRUE(program.Walked()) << body;
                std::vector<std::string> untyped;
                CollectUntyped(program.Unit().tree, nullptr, -1, untyped);
                EXPECT_TRUE(untyped.empty()) << body << ": " << ::testing::PrintToString(untyped);
            }
        }
    }
    EXPECT_GT(programs, 5000);
}

}  // namespace
