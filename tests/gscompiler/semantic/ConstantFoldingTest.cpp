// Constant folding: what folds to what, and what is left to run time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SemanticTestSupport.h"
#include "gscompiler/GSTypes.h"

namespace {

using GSSemanticTest::InFunction;
using GSSemanticTest::Program;

struct Case {
    const char* expression;
    const char* tree;  // the statement after the pass
    const char* type;
};

// Checks each expression as the only statement of a function body.
void Check(const std::vector<Case>& cases, const std::string& members = "int i;") {
    for (const auto& c : cases) {
        Program program(InFunction(std::string(c.expression) + ";", members));
        EXPECT_TRUE(program.Messages().empty()) << c.expression << ": " << ::testing::PrintToString(program.Messages());
        GSCNode* function = nullptr;
        for (GSCNode* member = program.Class()->children[2]; member; member = member->next)
            if (member->Is(kGSDeclaration, kGSDeclFunction)) function = member;
        GSCNode* statement = Program::Body(function);
        ASSERT_NE(statement, nullptr) << c.expression;
        EXPECT_EQ(GSSemanticTest::PrintNode(statement), c.tree) << c.expression;
        EXPECT_STREQ(GSTypeName(statement->typeCode), c.type) << c.expression;
    }
}

TEST(ConstantFolding, Arithmetic) {
    Check({
        {"1 + 2", "3", "int"},
        {"(1 + 2) * 3", "9", "int"},
        {"1 + 2.5", "3.5f", "float"},
        {"2.5 - 1", "1.5f", "float"},
        {"7 / 2", "3", "int"},
        {"-7 / 2", "-3", "int"},
        {"-7 % 2", "-1", "int"},
        {"7.5 % 2", "1.5f", "float"},
        {"-7.5 % 2", "-1.5f", "float"},
        {"1.0 / -0.0", "-inff", "float"},
        {"0x7FFFFFFF + 1", "-2147483648", "int"},
        {"65536 * 65536", "0", "int"},
        {"-(1 << 31)", "-2147483648", "int"},
        {"i + 1", "(+ i 1)", "int"},
        // Division faults are left to the interpreter, which raises its
        // divide-by-zero error.
        {"1 / 0", "(/ 1 0)", "int"},
        {"5 % 0", "(% 5 0)", "int"},
        {"(1 << 31) / -1", "(/ -2147483648 -1)", "int"},
        {"(1 << 31) % -1", "(% -2147483648 -1)", "int"},
        {"1.0 / 0.0", "(/ 1f 0f)", "float"},
        {"2 % 0.0", "(% 2 0f)", "float"},
        // Texts are joined at run time.
        {"\"a\" + 1", "(+ \"a\" 1)", "string"},
    });
}

TEST(ConstantFolding, ShiftsAndBits) {
    Check({
        {"7 >> 1", "3", "int"},
        // The shift instruction is logical, and folding follows it.
        {"-8 >> 1", "2147483644", "int"},
        {"1 << 33", "2", "int"},
        {"6 & 3", "2", "int"},
        {"6 ^ 3", "5", "int"},
        {"6 | 3", "7", "int"},
        {"~0", "-1", "int"},
    });
}

TEST(ConstantFolding, Comparisons) {
    Check({
        {"1 < 2", "true", "bool"},
        {"2.5 > 2", "true", "bool"},
        {"2 <= 1.5", "false", "bool"},
        {"true == 1", "true", "bool"},
        {"3 != 3", "false", "bool"},
        // Integer comparisons fold as the interpreter compares: by the sign
        // of a wrapping subtraction, which calls this false.
        {"0x7FFFFFFF > -1", "false", "bool"},
        // Texts are compared by the interpreter, never by their addresses.
        {"\"a\" == \"a\"", "(== \"a\" \"a\")", "bool"},
        {"\"a\" < 1", "(< \"a\" 1)", "bool"},
    });
}

TEST(ConstantFolding, LogicAndUnary) {
    Check({
        {"1 and 0", "false", "bool"},
        {"0.0 or 2", "true", "bool"},
        {"\"\" and 1", "true", "bool"},  // a text is never null
        {"-0.0 or 0", "true", "bool"},   // raw bits, as the interpreter tests them
        {"-5", "-5", "int"},
        {"-(2.5)", "-2.5f", "float"},
        {"+3", "3", "int"},
        {"!0", "true", "bool"},
        {"!2.5", "false", "bool"},
        {"!0.0", "true", "bool"},
        {"!-0.0", "false", "bool"},
        {"!\"\"", "false", "bool"},
    });
}

TEST(ConstantFolding, Defines) {
    // A define becomes a constant of its type; its value is converted to that
    // type as an assignment converts it.
    const std::string defines =
        "define int N = 21;\ndefine float F = 1;\ndefine int I = -2.7;\ndefine bool B = 5;\n"
        "define string S = \"text\";\ndefine string T = 5;";
    Check(
        {
            {"N * 2", "42", "int"},
            {"F", "1f", "float"},
            {"F / 4", "0.25f", "float"},
            {"I", "-2", "int"},
            {"B", "true", "bool"},
            {"S", "\"text\"", "string"},
            {"T", "\"\"", "string"},  // a string define of another constant is empty
            {"C.N + 1", "22", "int"},
        },
        defines);
}

}  // namespace
