#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gscompiler/GSCNode.h"
#include "gscompiler/GSParser.h"
#include "gscompiler/GSTreePrinter.h"
#include "gscompiler/support/GSTestSupport.h"

namespace {

using GSTest::Messages;
using GSTest::Parsed;

// The statement list of f's body in "class C { void f() { <body> } };".
std::string Statements(const std::string& body, GSTreePrintOptions options = {}) {
    Parsed parsed("class C { void f() {\n" + body + "\n} };");
    EXPECT_EQ(parsed.result, 0) << body;
    if (parsed.result != 0) return "<parse error>";
    const GSCNode* function = parsed.unit.tree->children[2];
    return GSPrintTree(function->children[3]->children[0], options);
}

TEST(Parser, GrammarHas170Productions) { EXPECT_EQ(kGSGrammarProductions, 170); }

TEST(Parser, ExpressionTrees) {
    struct Case {
        const char* source;
        const char* tree;
    };
    const std::vector<Case> cases = {
        // precedence and associativity
        {"a = b + c * d;", "(= a (+ b (* c d)))"},
        {"a - b - c;", "(- (- a b) c)"},
        {"a / b % c;", "(% (/ a b) c)"},
        {"a = b = c;", "(= a (= b c))"},
        {"a or b and c;", "(or a (and b c))"},
        {"a and b or c and d;", "(or (and a b) (and c d))"},
        {"a | b ^ c & d;", "(| a (^ b (& c d)))"},
        {"a == b < c << d + e;", "(== a (< b (<< c (+ d e))))"},
        {"a != b >= c >> d - e;", "(!= a (>= b (>> c (- d e))))"},
        {"a <= b > c;", "(> (<= a b) c)"},
        {"(a + b) * c;", "(* (+ a b) c)"},
        // unary, prefix and postfix forms
        {"-a * !b;", "(* (-x a) (! b))"},
        {"+a - ~b;", "(- (+x a) (~ b))"},
        {"++a.b[c]--;", "(++x (x-- ([] (. a .b) c)))"},
        {"--x++;", "(--x (x++ x))"},
        {"- - a;", "(-x (-x a))"},
        // both cast forms
        {"(int)x + cast<Foo>(y);", "(+ (() x type:int) (() y (type:object Foo)))"},
        {"(float[])x;", "(() x type:float[])"},
        {"cast<Foo[]>x;", "(() x (type:object[] Foo))"},
        {"(string)(int)x;", "(() (() x type:int) type:string)"},
        // ranges and indexes
        {"s[1,2];", "([,] s 1 2)"},
        {"s[,2];", "([,] s _ 2)"},
        {"s[1,];", "([,] s 1)"},
        {"s[i][j];", "([] ([] s i) j)"},
        // new forms
        {"new int();", "(new type:int)"},
        {"new string(\"x\");", "(new type:string _ \"x\")"},
        {"new Foo(1, 2);", "(new (type:object Foo) _ [1 2])"},
        {"new Foo();", "(new (type:object Foo))"},
        {"new int[5];", "(new type:int[] 5)"},
        {"new Foo[n];", "(new (type:object[] Foo) n)"},
        // calls, members and the built-in members
        {"o.f(1).g();", "(call (. (call (. o .f) 1) .g))"},
        {"f(a, b = c);", "(call f [a (= b c)])"},
        {"a.size();", "(size a)"},
        {"a.isclass(Foo);", "(isclass a Foo)"},
        {"a.copy(b);", "(copy a b)"},
        {"me.x = null;", "(= (. me .x) null)"},
        // constants
        {"x = 0x10 + 7 + 'A' + 1.5 + \"s\\tt\" + true + false;",
         "(= x (+ (+ (+ (+ (+ (+ 16 7) 65) 1.5f) \"s\tt\") true) false))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(Statements(c.source), c.tree);
    }
}

TEST(Parser, StatementTrees) {
    struct Case {
        const char* source;
        const char* tree;
    };
    const std::vector<Case> cases = {
        {"if (a) if (b) x; else y;", "(if a (if b x y))"},
        {"if (a) { if (b) x; } else y;", "(if a (block (if b x)) y)"},
        {"switch (n) { case 1: case 2: x; default: y; }",
         "(switch n (block [(case 1) (case 2) x default y]))"},
        {"while (a) ;", "(while a)"},
        {"for (;;) x;", "(for _ _ x)"},
        {"for (i = 0; i < n; i++) { }", "(for (= i 0) (< i n) block (x++ i))"},
        {"top: goto top;", "[(label top) (goto top)]"},
        {"break; continue; return; return a;", "[break continue return (return a)]"},
        {"wait() { on \"A\", \"B\": x; on \"A\", \"C\", msg: { y; } }",
         "(wait (block [(on \"A\" \"B\") x (on \"A\" \"C\" msg) (block y)]))"},
        {"int a, b = 3; Foo f; string[] s;",
         "[(vars type:int [(decl a) (decl b 3)]) (vars (type:object Foo) (decl f)) (vars type:string[] (decl s))]"},
        {"; ; x; ;", "x"},
        {"{ }", "block"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(Statements(c.source), c.tree);
    }
}

TEST(Parser, MarksUnusedResults) {
    GSTreePrintOptions flags;
    flags.flags = true;
    EXPECT_EQ(Statements("a, b, c;", flags), "[a#10000000 b#10000000 c#10000000]");
    EXPECT_EQ(Statements("return a, b;", flags), "(return [a#10000000 b])");
    EXPECT_EQ(Statements("for (i = 0, j = 1; i < n, j; i++, j--) x;", flags),
              "(for [(=#10000000 i 0) (=#10000000 j 1)] [(<#10000000 i n) j] x#10000000 "
              "[(x++#10000000 i) (x--#10000000 j)])");
    EXPECT_EQ(Statements("f((a, b));", flags), "(call#10000000 f [a#10000000 b])");
    EXPECT_EQ(Statements("if (a) b;", flags), "(if a b#10000000)");
}

TEST(Parser, Declarations) {
    Parsed parsed(
        "include \"Lib\\Base.GS\"\n"
        "include \"other.gs\"\n"
        "game static class X isclass Y, Z {\n"
        "  int a = 1 + 2, b;\n"
        "  public define string K = \"k\";\n"
        "  public native void f(int x, Foo[] y);\n"
        "  int g(void) { }\n"
        "  final thread void h() { return; }\n"
        "  void v(void x);\n"
        "};\n"
        "class Empty { };\n");
    ASSERT_EQ(parsed.result, 0) << ::testing::PrintToString(Messages(parsed.log));
    GSTreePrintOptions flags;
    flags.flags = true;
    EXPECT_EQ(GSPrintTree(parsed.unit.tree, flags),
              "[(include lib\\base.gs) (include other.gs) "
              "(class#44 X [Y Z] ["
              "(vars#4000000 type:int [(decl a (+ 1 2)) (decl b)]) "
              "(vars#4000081 type:string (decl K \"k\")) "
              "(proto#3 type:void f [(param type:int x) (param (type:object[] Foo) y)]) "
              "(func type:int g _ block#8000000) "
              "(func#18 type:void h _ (block#8000000 return)) "
              "(proto type:void v (param type:void x))]) "
              "(class Empty)]");
}

TEST(Parser, NodesCarryTheScannersLine) {
    // The '+' and '=' nodes are built when the ';' on line 5 has been read to
    // end their right operands; the identifiers right after their tokens;
    // the class when its closing ';' on line 6 is shifted.
    Parsed parsed("class C { void f() {\na = b\n+\nc\n;\n} };");
    ASSERT_EQ(parsed.result, 0);
    GSTreePrintOptions lines;
    lines.lines = true;
    const GSCNode* body = parsed.unit.tree->children[2]->children[3];
    EXPECT_EQ(GSPrintTree(body->children[0], lines), "(=@5 a@2 (+@5 b@2 c@4))");
    EXPECT_EQ(GSPrintTree(parsed.unit.tree, lines).substr(0, 9), "(class@6 ");
}

struct SyntaxErrorCase {
    const char* name;
    std::string source;
    int line;
};

TEST(Parser, SyntaxErrorsAreReportedOnceWithTheirLine) {
    const std::vector<SyntaxErrorCase> cases = {
        {"includes without a class", "include \"a.gs\"\ninclude \"b.gs\"\n", 3},
        {"empty source", "", 1},
        {"missing semicolon after the class", "class A { }\n", 2},
        {"range with only the comma", "class A { void f() {\nx[,];\n} };", 2},
        {"unknown character", "class A {\n int # x;\n};", 2},
        {"unknown character in a comment is fine but not outside", "/* # */ class A { }; $", 1},
        {"keyword as a name", "class A {\n int class;\n};", 2},
        {"assignment as a case value", "class A { void f() { switch (x) {\ncase a = 1: ;\n} } };", 2},
        {"cast of a class with parentheses", "class A { void f() {\n(Foo)x;\n} };", 2},
        {"nested class", "class A {\nclass B { };\n};", 2},
        {"no constructor arguments on arrays", "class A { void f() {\nnew int[];\n} };", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Parsed parsed(c.source);
        EXPECT_EQ(parsed.result, 1);
        const std::string expected = "test.gs(" + std::to_string(c.line) + ") : parse error, line " +
                                     std::to_string(c.line);
        EXPECT_EQ(Messages(parsed.log), std::vector<std::string>{expected});
        // The report counts one error and the parse result adds its own.
        EXPECT_EQ(parsed.unit.errorCount, 2);
    }
}

TEST(Parser, TextsLongerThanAnArenaPageEndTheParse) {
    // Identifiers are kept whole in the unit's 2048-byte pages; a longer one
    // is refused with a message of its own. String constants are cut to
    // 2047 characters before they are kept.
    Parsed name("class " + std::string(3000, 'n') + " { };");
    EXPECT_EQ(name.result, 1);
    EXPECT_EQ(Messages(name.log), std::vector<std::string>{"test.gs(1) : text too long, line 1."});
    Parsed text("class A { string s = \"" + std::string(5000, 's') + "\"; };");
    ASSERT_EQ(text.result, 0);
    const GSCNode* value = text.unit.tree->children[2]->children[1]->children[1];
    EXPECT_EQ(std::string(value->Text()).size(), 2046u);
}

TEST(Parser, DeepNestingOverflowsTheStackCleanly) {
    std::string deep = "class A { void f() { x = ";
    deep += std::string(12000, '(') + "1" + std::string(12000, ')') + "; } };";
    Parsed parsed(deep);
    EXPECT_EQ(parsed.result, 2);
    EXPECT_EQ(Messages(parsed.log), std::vector<std::string>{"test.gs(1) : parser stack overflow, line 1"});

    // Moderate nesting grows the stack past its first 200 entries.
    std::string fine = "class A { void f() { x = ";
    fine += std::string(1500, '(') + "1" + std::string(1500, ')') + "; } };";
    EXPECT_EQ(Parsed(fine).result, 0);
}

TEST(Parser, NoScannerLogsAPlainParseError) {
    GSCompileLog log;
    GSCompileUnit unit;
    unit.Init(nullptr, &log);
    CurrentCompileUnit = &unit;
    CurrentLexer = nullptr;
    EXPECT_EQ(GSParse(), 1);
    CurrentCompileUnit = nullptr;
    EXPECT_EQ(Messages(log), std::vector<std::string>{"parse error"});
}

TEST(Parser, FuzzedSourcesNeverCrash) {
    std::mt19937 rng(77);
    const std::vector<std::string> pieces = {
        "class", "A", "{", "}", ";", "(", ")", "int", "void", "x", "=", "+", "*", "if", "else", "while", "for",
        "switch", "case", "1", ":", "default", "wait", "on", "\"m\"", ",", "[", "]", "[]", ".", "size", "new",
        "cast", "<", ">", "isclass", "copy", "return", "break", "include", "public", "native", "me", "null", "++",
        "--", "!", "and", "or", "2.5", "'c'", "0x1", "#", "static", "thread", "goto", "string", "object"};
    const std::string valid = "class A { int x; void f(int a) { if (a) x = a + 1; else { while (x) x--; } } };";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        if (round % 2 == 0) {
            const int n = int(rng() % 60);
            for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()] + " ";
        } else {
            text = valid;
            for (int k = 0; k < 3; ++k) {
                const std::size_t at = rng() % text.size();
                if (rng() % 2) text.erase(at, 1 + rng() % 5);
                else text.insert(at, pieces[rng() % pieces.size()]);
            }
        }
        Parsed parsed(text);
        ASSERT_TRUE(parsed.result == 0 || parsed.result == 1) << text;
        if (parsed.result == 1) {
            ASSERT_EQ(parsed.log.Count(), 1) << text;
        }
    }
}

}  // namespace
