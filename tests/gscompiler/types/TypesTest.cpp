#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gscompiler/GSCNode.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/support/GSTestSupport.h"

namespace {

TEST(GSTypes, TypeAndOperatorNames) {
    const char* const types[] = {"void",   "bool",  "int",     "float",    "string",   "object",   "void[]",
                                 "bool[]", "int[]", "float[]", "string[]", "object[]", "",         "null"};
    for (int code = 0; code <= 13; ++code) EXPECT_STREQ(GSTypeName(code), types[code]) << code;
    EXPECT_STREQ(GSTypeName(14), "illegal type");
    EXPECT_STREQ(GSTypeName(-1), "illegal type");

    const char* const operators[] = {"--", "++", ".",  "+",  "-",  "!",  "~",  "--", "++",  "[,]",  "[]",    "()",
                                     "*",  "/",  "%",  "+",  "-",  "<<", ">>", "<",  ">",   "<=",   ">=",    "==",
                                     "!=", "&",  "^",  "|",  "and", "or", "=", "size", "isclass", "copy", "new"};
    for (int code = 0; code <= 34; ++code) EXPECT_STREQ(GSOperatorName(code), operators[code]) << code;
    EXPECT_STREQ(GSOperatorName(35), "");
    EXPECT_STREQ(GSOperatorName(-1), "");
}

TEST(GSTypes, SpecifierTextListsBitsInItsOwnOrder) {
    struct Case {
        uint32_t flags;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{0, ""},
                                           {0x181, "public secured define "},
                                           {0x1FF, "public native static final thread constructor game secured define "},
                                           {0x80, "define "},
                                           {0x44, "static game "},
                                           {0x4000000 | 0x8, "final "}}) {
        EXPECT_STREQ(GSSpecifierText(c.flags), c.text) << c.flags;
    }
}

TEST(GSTypes, TypeFromName) {
    struct Case {
        const char* name;
        bool wantClass;
        int32_t code;
        std::string className;
    };
    const std::vector<Case> cases = {
        {"void", false, 0, ""},       {"object", true, 5, "object"},   {"int[]", true, 8, "int"},
        {"object[]", false, 11, ""},  {"null", false, 13, ""},         {"Train", true, 5, "Train"},
        {"Train", false, 12, ""},     {"Train[]", true, 11, "Train"},  {"Train[]", false, 11, ""},
        {"", true, 5, ""},            {"Int", true, 5, "Int"},         {"a[]b", true, 11, "a[]b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string className = "unchanged";
        EXPECT_EQ(GSTypeFromName(c.name, c.wantClass ? &className : nullptr), c.code);
        if (c.wantClass) {
            EXPECT_EQ(className, c.className);
        }
    }
}

TEST(GSTypes, SameType) {
    struct Case {
        int32_t codeA;
        const char* classA;
        int32_t codeB;
        const char* classB;
        bool same;
    };
    const std::vector<Case> cases = {
        {13, nullptr, 5, "A", true},  {5, "A", 13, nullptr, true},    {5, "A", 5, "A", true},
        {5, "A", 5, "B", false},      {5, nullptr, 5, "A", false},    {5, nullptr, 5, nullptr, true},
        {11, "A", 11, "B", true},     {2, nullptr, 3, nullptr, false}, {13, nullptr, 4, nullptr, false},
        {13, nullptr, 13, nullptr, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GSSameType(c.codeA, c.classA, c.codeB, c.classB), c.same)
            << c.codeA << (c.classA ? c.classA : "-") << " " << c.codeB << (c.classB ? c.classB : "-");
    }
    EXPECT_STREQ(GSTypeNameOf(11, "Train"), "Train[]");
    EXPECT_STREQ(GSTypeNameOf(5, "Train"), "Train");
    EXPECT_STREQ(GSTypeNameOf(4, nullptr), "string");
    EXPECT_STREQ(GSTypeNameOf(nullptr), "illegal type");
}

TEST(GSTypes, SignaturesOfParsedFunctions) {
    GSTest::Parsed parsed(
        "class C {\n"
        "  void TrimLeft(string s, string t) { }\n"
        "  native int Count(void);\n"
        "  Train[] Find(Train t, int[] n);\n"
        "};\n");
    ASSERT_EQ(parsed.result, 0);
    GSCNode* trim = parsed.unit.tree->children[2];
    GSCNode* count = trim->next;
    GSCNode* find = count->next;

    std::string text;
    ASSERT_TRUE(GSBuildSignature("Str", trim, text, true));
    EXPECT_EQ(text, "$void@Str::TrimLeft(string,string)");
    ASSERT_TRUE(GSBuildSignature(nullptr, trim, text, false));
    EXPECT_EQ(text, "::TrimLeft(string,string)");
    ASSERT_TRUE(GSBuildSignature("C", count, text, true));
    EXPECT_EQ(text, "$int@C::Count()");
    // Class types print by name once their node is typed; before that by
    // their code.
    ASSERT_TRUE(GSBuildSignature(nullptr, find, text, true));
    EXPECT_EQ(text, "$object[]::Find(object,int[])");
    find->children[0]->className = "Train";
    find->children[2]->children[0]->className = "Train";
    ASSERT_TRUE(GSBuildSignature(nullptr, find, text, true));
    EXPECT_EQ(text, "$Train[]::Find(Train,int[])");
    EXPECT_FALSE(GSBuildSignature("C", parsed.unit.tree, text, true));

    int32_t position = 0;
    std::string argument;
    std::vector<std::string> arguments;
    for (bool more = GSSignatureFirstArgument(position, argument, "$void@Str::TrimLeft(string,int[])"); more;
         more = GSSignatureNextArgument("$void@Str::TrimLeft(string,int[])", position, argument))
        arguments.push_back(argument);
    EXPECT_EQ(arguments, (std::vector<std::string>{"string", "int[]"}));
    EXPECT_EQ(position, -1);
    EXPECT_FALSE(GSSignatureFirstArgument(position, argument, "::f()"));
    EXPECT_EQ(position, -1);
    EXPECT_FALSE(GSSignatureFirstArgument(position, argument, "no parenthesis"));
    EXPECT_EQ(position, -1);
}

TEST(GSTypes, CalleeNames) {
    GSTest::Parsed parsed("class C { void f() { g(1); o.h(); (a + b)(); x = 1; } };");
    ASSERT_EQ(parsed.result, 0);
    const GSCNode* statement = parsed.unit.tree->children[2]->children[3]->children[0];
    EXPECT_STREQ(GSCNode::CalleeName(statement), "g");
    EXPECT_STREQ(GSCNode::CalleeName(statement->next), "h");
    EXPECT_EQ(GSCNode::CalleeName(statement->next->next), nullptr);
    // Any operator whose child 0 is an identifier names it.
    EXPECT_STREQ(GSCNode::CalleeName(statement->next->next->next), "x");
}

}  // namespace
