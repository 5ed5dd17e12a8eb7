// Every failure of the semantic pass, one row per message: a source and the
// exact log it gives (file, line and text), grouped by construct.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SemanticTestSupport.h"

namespace {

using GSSemanticTest::InFunction;
using GSSemanticTest::Program;

struct Case {
    const char* what;
    std::string source;
    std::vector<std::string> messages;
};

std::string At(int line, const std::string& text) { return "test.gs(" + std::to_string(line) + ") : " + text; }

void Check(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        Program program(c.source);
        EXPECT_EQ(program.Messages(), c.messages) << c.what << "\n" << c.source;
        EXPECT_EQ(program.Errors(), static_cast<int>(c.messages.size())) << c.what;
        EXPECT_EQ(program.Walked(), c.messages.empty()) << c.what;
    }
}

TEST(SemanticMessages, Classes) {
    Check({
        {"public class", "public class A {};\nclass B { void f() { x = 1; } };",
         {At(1, "Class has illegal declaration specifiers, line 1.")}},  // aborts: B is never checked
        {"define class", "define class A {};", {At(1, "Class has illegal declaration specifiers, line 1.")}},
        {"class declared twice", "class A {};\nclass A {};\nclass B { void f() { x = 1; } };",
         {At(2, "Class A has already been declared, line 2.")}},
        {"static and final classes are fine", "static class A {};\nfinal class B {};\ngame class D {};", {}},
        {"undeclared base", "class A isclass\nB {};", {At(2, "Class B has not been declared, line 2.")}},
        {"final base", "final class A {};\nclass B isclass A {};", {At(2, "Cannot extend final class A, line 2.")}},
    });
}

TEST(SemanticMessages, Functions) {
    Check({
        {"static function", "class C {\nstatic void f() {}\n};",
         {At(2, "Function has illegal declaration specifiers, line 2.")}},
        {"native thread function", "class C {\nnative thread void f();\n};",
         {At(2, "Function has illegal declaration specifiers, line 2.")}},
        {"unknown result class", "class C {\nFoo f();\n};", {At(2, "object<Foo> not declared, line 2.")}},
        {"unknown argument class", "class C {\nvoid f(int a,\nFoo b);\n};", {At(3, "object<Foo> not declared, line 3.")}},
        {"final function overridden", "class A { final void f() {} };\nclass B isclass A {\nvoid f() {}\n};",
         {At(3, "Cannot override final function, line 3.")}},
        {"function declared twice", "class C {\nvoid f() {}\nvoid f() {}\nvoid g() { x = 1; }\n};",
         {At(3, "Function f already declared, line 3.")}},  // aborts
        {"definition with another result", "class C {\nvoid f();\nint f() { return 1; }\nvoid g() { x = 1; }\n};",
         {At(3, "Function differs only by return type, line 3.")}},  // aborts
        {"definition with other specifiers", "class C {\nvoid f();\npublic void f() {}\n};",
         {At(3, "Function specifiers differ from prototype, line 3.")}},
        {"prototype completed", "class C {\nint f(int a);\nint f(int b) { return b; }\n};", {}},
        {"thread function with a result", "class C {\nthread int f() { return 1; }\n};",
         {At(2, "thread function must return void, line 2.")}},
        {"argument named twice", "class C {\nvoid f(int a,\nint a) {}\n};",
         {At(3, "Variable a already declared in this scope, line 3.")}},
        {"overloads by argument type", "class C {\nvoid f(int a) {}\nvoid f(float a) {}\n};", {}},
    });
}

TEST(SemanticMessages, Variables) {
    Check({
        {"static member", "class C {\nstatic int x;\n};", {At(2, "member declaration has invalid specifiers, line 2.")}},
        {"public define member", "class C {\npublic define int X = 1;\n};", {}},
        {"member declared twice", "class C {\nint x;\nint y, x;\n};",
         {At(3, "Variable x already declared in this scope, line 3.")}},
        {"local declared twice", InFunction("int a;\nint a;"), {At(5, "Variable a already declared in this scope, line 5.")}},
        {"local named like an argument", "class C {\nvoid f(int a) {\nint a;\n}\n};",
         {At(3, "Variable a already declared in this scope, line 3.")}},
        {"local shadowing in an inner block", InFunction("int a;\n{ int a; }"), {}},
        {"unknown class", "class C {\nFoo x;\n};", {At(2, "object<Foo> not declared, line 2.")}},
        {"define from a variable", "class C {\nint y;\ndefine int X = y;\n};",
         {At(3, "define variable must have a const assignment, line 3.")}},
        {"define without a value", "class C {\ndefine int X;\n};",
         {At(2, "define variable must have a const assignment, line 2.")}},
        {"initial value of another type", "class C {\nint x = \"s\";\n};",
         {At(2, "cannot cast from string to int, line 2.")}},
        {"initial value of an unrelated class", "class A {};\nclass B {\nA a = me;\n};",
         {At(3, "cannot cast from object<B> to object<A>, line 3.")}},
        {"initial value of an unknown class", "class A {};\nclass B {\nFoo f;\nA a = f;\n};",
         {At(3, "object<Foo> not declared, line 3."), At(4, "class Foo not defined, line 4.")}},
        {"initial value of a derived class", "class A {};\nclass B isclass A {\nA a = me;\n};", {}},
    });
}

TEST(SemanticMessages, Statements) {
    const std::string voidFunction = "void g() {}";
    Check({
        // An if without else is built once the token after it shows that no else
        // follows: the line of the closing brace.
        {"if on void", InFunction("if (g())\nreturn;", voidFunction), {At(6, "invalid if expression, line 6.")}},
        {"while on void", InFunction("while (g())\nreturn;", voidFunction), {At(5, "invalid while expression, line 5.")}},
        {"for on void", InFunction("for (; g();)\nreturn;", voidFunction), {At(5, "invalid for expression, line 5.")}},
        {"for without a condition", InFunction("for (;;)\nbreak;"), {}},
        {"switch without case", InFunction("switch (1) {\ndefault: break;\n}"),
         {At(6, "switch statement without case, line 6.")}},
        {"switch without default", InFunction("switch (1) {\ncase 1: break;\n}"),
         {At(6, "switch statement without default, line 6.")}},
        {"switch on a string", InFunction("switch (\"a\") {\ncase 1: break;\ndefault: break;\n}"),
         {At(7, "switch expression not integral, line 7.")}},
        // A labelled statement is built after the statement it labels.
        {"case outside a switch", InFunction("case 1:\nreturn;"), {At(5, "illegal case, line 5.")}},
        {"case of a variable", InFunction("int i;\nswitch (i) {\ncase i: break;\ndefault: break;\n}"),
         {At(6, "case expression not constant or integral, line 6.")}},
        {"case of a float", InFunction("switch (1) {\ncase 1.5: break;\ndefault: break;\n}"),
         {At(5, "case expression not constant or integral, line 5.")}},
        {"case of a folded define", InFunction("switch (1) {\ncase N + 1: break;\ndefault: break;\n}",
                                                "define int N = 2;"),
         {}},
        {"default outside a switch", InFunction("default:\nreturn;"), {At(5, "illegal default, line 5.")}},
        {"second default", InFunction("switch (1) {\ncase 1: break;\ndefault: break;\ndefault: break;\n}"),
         {At(7, "switch already has default, line 7.")}},
        {"return of another type", "class C {\nint f() {\nreturn \"a\";\n}\n};",
         {At(3, "return type mismatch, expecting int, line 3.")}},
        {"return without a value", "class C {\nint f() {\nreturn;\n}\n};",
         {At(3, "return type mismatch, expecting int, line 3.")}},
        {"return of another class", "class A {};\nclass C {\nA f() {\nreturn me;\n}\n};",
         {At(4, "return type mismatch, expecting A, line 4.")}},
        {"return of null for an object", "class A {};\nclass C {\nA f() {\nreturn null;\n}\n};", {}},
        {"missing final return", "class C {\nfloat f() {\nint i;\n}\n};",
         {At(4, "expecting return type of float, line 4.")}},
        {"break outside a loop", InFunction("break;"), {At(4, "illegal break, line 4.")}},
        {"continue in a switch", InFunction("switch (1) {\ncase 1: continue;\ndefault: break;\n}"),
         {At(5, "illegal continue, line 5.")}},
        {"wait without on", InFunction("wait() {\n}"), {At(5, "wait statement must have at least 1 on statement, line 5.")}},
        {"on with a number", InFunction("wait() {\non 1, \"b\": break;\n}"),
         {At(5, "on statement requires string constant for major and minor message types, line 5")}},
        {"on into an int", InFunction("int m;\nwait() {\non \"a\", \"b\", m: break;\n}"),
         {At(6, "on statement requires object type for third parameter, line 6")}},
        {"on into an object", InFunction("object m;\nwait() {\non \"a\", \"b\", m: continue;\n}"), {}},
    });
}

TEST(SemanticMessages, Operators) {
    Check({
        {"postfix ++ on a constant", InFunction("5++;"), {At(4, "expression not an l-value for ++ operator, line 4")}},
        {"prefix -- on a call", InFunction("--g();", "int g() { return 1; }"),
         {At(4, "expression not an l-value for -- operator, line 4")}},
        {"++ on a float variable", InFunction("float x;\nx++;"), {}},
        {"++ on a string variable", InFunction("string s;\ns++;"), {At(5, "illegal types for unary operand ++, line 5")}},
        {"minus on a string", InFunction("-\"a\";"), {At(4, "illegal types for unary operand -, line 4")}},
        {"not on null", InFunction("!null;"), {At(4, "illegal types for unary operand !, line 4")}},
        {"object less than int", InFunction("me < 1;"), {At(4, "illegal types for operand <, line 4")}},
        {"object equal to null", InFunction("me == null;"), {}},
        {"string and bool joined", InFunction("string s = \"a\" + true;"), {}},
        {"shift of a float", InFunction("1.5 << 2;"), {At(4, "illegal types for operand <<, line 4")}},
        {"and of null", InFunction("1 and null;"), {At(4, "illegal types for operand and, line 4")}},
        {"arrays of different types", InFunction("int[] a;\nfloat[] b;\na == b;"),
         {At(6, "illegal types for operand ==, line 6")}},
    });
}

TEST(SemanticMessages, MemberAccess) {
    Check({
        {"member of an int", InFunction("int i;\ni.x;"), {At(5, ". operator cannot be used on a non-reference type, line 5.")}},
        {"member of a string", InFunction("string s;\ns.x;"), {At(5, "unknown object class for '.' operator, line 5.")}},
        {"private member of another class", "class A { int x; };\nclass B {\nvoid f(A a) {\na.x = 1;\n}\n};",
         {At(4, "member x not public in object A, line 4.")}},
        {"private member of the own class", "class B {\nint x;\nvoid f(B b) {\nb.x = 1;\n}\n};", {}},
        {"member through a class that is not static", "class A { public int x; };\nclass B {\nvoid f() {\nA.x;\n}\n};",
         {At(4, "A is not a static class or variable within this class, line 4.")}},
        {"member through a static class", "static class A { public int x; };\nclass B {\nvoid f() {\nA.x = 1;\n}\n};",
         {}},
        {"define through a class that is not static", "class A { public define int N = 3; };\nclass B {\nint x = A.N;\n};",
         {}},
        {"missing member", InFunction("me.nothing;"), {At(4, "member nothing does not exist in object C, line 4.")}},
    });
}

TEST(SemanticMessages, IndexAndRange) {
    Check({
        {"range of an int", InFunction("int i;\ni[1, 2];"), {At(5, "int not an array type for [,] operator, line 5")}},
        {"range of an object", InFunction("me[1, 2];"), {At(4, "C not an array type for [,] operator, line 4")}},
        {"range with a float start", InFunction("string s;\ns[1.5, 2];"),
         {At(5, "left index not integral for [,] operator, line 5")}},
        {"range with a string end", InFunction("int[] a;\na[, \"x\"];"),
         {At(5, "right index not integral for [,] operator, line 5")}},
        {"open range", InFunction("string s;\ns = s[1,];"), {}},
        {"index of an int", InFunction("int i;\ni[0];"), {At(5, "int not an array type for [] operator, line 5")}},
        {"index by a string", InFunction("string s;\ns[\"a\"];"), {At(5, "index not integral for [] operator, line 5")}},
        {"element of a string is an int", InFunction("string s;\nint c = s[0];"), {}},
    });
}

TEST(SemanticMessages, CastsAndAssignments) {
    Check({
        {"cast of a string to int", InFunction("(int)\"a\";"), {At(4, "cannot cast from string to int, line 4.")}},
        {"cast to an unrelated class", "class A {};\nclass B {\nvoid f() {\ncast<A>(me);\n}\n};",
         {At(4, "cannot cast from B to A, line 4.")}},
        {"cast down the hierarchy", "class A {};\nclass B isclass A {\nvoid f(A a) {\nB b = cast<B>(a);\n}\n};", {}},
        {"cast to an unknown class", InFunction("cast<Foo>(me);"),
         {At(4, "object<Foo> not declared, line 4."), At(4, "cannot cast from C to Foo, line 4.")}},
        {"assignment to a constant", InFunction("1 = 2;"), {At(4, "illegal l-value for assignment, line 4.")}},
        {"assignment of a string to an int", InFunction("int i;\ni = \"a\";"),
         {At(5, "cannot cast from string to int, line 5.")}},
        {"assignment of an object to an array", InFunction("int[] a;\na = me;"),
         {At(5, "cannot cast from object to int[], line 5.")}},
        {"assignment to a define", InFunction("N = 2;", "define int N = 1;"), {At(4, "illegal l-value for assignment, line 4.")}},
    });
}

TEST(SemanticMessages, BuiltInMembers) {
    Check({
        {"size of an int", InFunction("int i;\ni.size();"), {At(5, ".size operator requires an array type, line 5.")}},
        {"isclass of an int", InFunction("int i;\ni.isclass(C);"), {At(5, ".isclass operator requires an object type, line 5.")}},
        {"isclass of an unknown class", InFunction("me.isclass(Nope);"),
         {At(4, "class Nope not declared for .isclass operator, line 4.")}},
        {"copy into an int", InFunction("int i;\nstring s;\ni.copy(s);"), {At(6, ".copy operator requires an array type, line 6.")}},
        {"copy from an int", InFunction("string s;\ns.copy(1);"), {At(5, ".copy expression must be an array type, line 5.")}},
        {"copy between types", InFunction("string s;\nint[] a;\ns.copy(a);"),
         {At(6, "left and right types incompatible for .copy operator, line 6.")}},
        {"copy of the same type", InFunction("int[] a;\nint[] b;\na.copy(b);"), {}},
    });
}

TEST(SemanticMessages, Identifiers) {
    Check({
        {"class that is not static as a value", "class A {};\nclass B {\nvoid f() {\nobject o = A;\n}\n};",
         {At(4, "class A is not static, line 4.")}},
        {"static class as a value", "static class A {};\nclass B {\nvoid f() {\nobject o = A;\n}\n};", {}},
        {"unknown name", InFunction("x;"), {At(4, "variable x not declared, line 4.")}},
        // An expression that failed has no type, and the expressions around
        // it report that too.
        {"unknown name assigned", InFunction("x = 1;"),
         {At(4, "variable x not declared, line 4."), At(4, "cannot cast from int to , line 4."),
          At(4, "illegal l-value for assignment, line 4.")}},
        {"me", InFunction("object o = me;"), {}},
    });
}

TEST(SemanticMessages, Calls) {
    Check({
        {"inherited through a member", InFunction("me.inherited();"),
         {At(4, "'inherited' can only be used on current function, line 4.")}},
        {"inherited outside a function", "class C {\nint x = inherited();\n};",
         {At(2, "internal compiler error while parsing 'inherited', line 2."),
          At(2, "cannot cast from  to int, line 2.")}},
        {"inherited in a thread function", "class C {\nthread void f() {\ninherited();\n}\n};",
         {At(3, "'inherited' can not be used on native or thread function, line 3.")}},
        {"inherited with an argument of another type",
         "class A { void f(int i) {} };\nclass B isclass A {\nvoid f(int i) {\ninherited(\"s\");\n}\n};",
         {At(4, "Error in expression, line 4.")}},
        {"inherited with another argument count",
         "class A { void f(int i) {} };\nclass B isclass A {\nvoid f(int i) {\ninherited();\n}\n};",
         {At(4, "Error in expression, line 4.")}},
        {"inherited", "class A { void f(int i) {} };\nclass B isclass A {\nvoid f(int i) {\ninherited(i);\n}\n};", {}},
        {"missing method", InFunction("me.nope();"), {At(4, "function nope not declared in class C or derivative, line 4.")}},
        {"missing function", InFunction("nope(1);"), {At(4, "function nope not declared, line 4.")}},
        {"argument that matches no overload", InFunction("g(me);", "void g(int i) {}"),
         {At(4, "function g not declared, line 4.")}},
        {"same function in two unrelated bases",
         "class A { void f(int i) {} };\nclass B { void f(int i) {} };\nclass C isclass A, B {\nvoid g() {\nf(1);\n}\n};",
         {At(5, "function call f is ambiguous, line 5.")}},
        {"private method of another class", "class A { void f() {} };\nclass B {\nvoid g(A a) {\na.f();\n}\n};",
         {At(4, "function f not public in object A, line 4.")}},
        {"public method of another class", "class A { public void f() {} };\nclass B {\nvoid g(A a) {\na.f();\n}\n};",
         {}},
        {"method of a static class", "static class A { public int f() { return 1; } };\nclass B {\nint x = A.f();\n};",
         {}},
        {"uncallable callee", InFunction("(1 + 2)();"), {At(4, "Error in expression, line 4.")}},
    });
}

TEST(SemanticMessages, New) {
    Check({
        {"new object", InFunction("new object();"), {At(4, "cannot new unnamed object, line 4.")}},
        {"new array sized by a string", InFunction("new int[\"a\"];"), {At(4, "non-integral expression for new[], line 4.")}},
        {"new with constructor arguments", InFunction("new string(\"x\");"),
         {At(4, "constructors not yet supported, line 4.")}},
        {"new of an unknown class", InFunction("new Nope();"),
         {At(4, "cannot find class Nope in this translation unit, line 4.")}},
        {"new of a static class", "static class S {};\nclass C {\nvoid f() {\nnew S();\n}\n};",
         {At(4, "cannot new static or game class, line 4.")}},
        {"new of a game class", "game class G {};\nclass C {\nvoid f() {\nnew G();\n}\n};",
         {At(4, "cannot new static or game class, line 4.")}},
        {"new int", InFunction("new int();"), {At(4, "cannot new type int, line 4.")}},
        {"new void array", InFunction("new void[3];"), {At(4, "cannot new type void[], line 4.")}},
        {"new of the creatable types",
         InFunction("string s = new string();\nint[] a = new int[3];\nC c = new C();\nC[] cs = new C[2];"), {}},
    });
}

}  // namespace

namespace {

// Messages the grammar cannot reach, on trees edited after parsing.
TEST(SemanticMessages, EditedTrees) {
    auto firstStatement = [](GSCNode* tree) { return tree->children[2]->children[3]->children[0]; };

    // Locals have no specifiers in the grammar.
    Program local(InFunction("int a;"), {}, [&](GSCNode* tree) { firstStatement(tree)->flags |= kGSPublic; });
    EXPECT_EQ(local.Messages(),
              std::vector<std::string>{At(4, "variable declaration has illegal specifiers, line 4.")});

    // A node of no known category: a log line, not counted, on entering it
    // and again on leaving it; the walk goes on.
    Program unknown(InFunction("int a;\nnope;"), {}, [&](GSCNode* tree) { firstStatement(tree)->category = 7; });
    EXPECT_EQ(unknown.Messages(),
              (std::vector<std::string>{"Internal compiler error.", "Internal compiler error.",
                                        At(5, "variable nope not declared, line 5.")}));
    EXPECT_EQ(unknown.Errors(), 1);
    EXPECT_FALSE(unknown.Walked());
}

}  // namespace
