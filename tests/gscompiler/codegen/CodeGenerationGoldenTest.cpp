// The instruction sequences the generator produces for statements and
// expressions, each derived by hand from the lowering rules. Every library
// is also checked in full and loaded through the runtime (CheckedBuildTest).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gscompiler/libsupport/GSCheckedBuild.h"

namespace {

// A class M with a public int and a method, and a class C whose members
// take slots s 2, t 3, n 4, m 5, a 6; g(int,int) is C's function 0, v() 1.
// The function under test is "void f(int i)": `me` is slot 0, i slot 1,
// its locals follow from slot 2.
std::string ClassSource(const std::string& body, const std::string& extra = "") {
    return "class M {\n"
           "  public int x;\n"
           "  public int h(int p, int q) { return p; }\n"
           "};\n"
           "class C {\n"
           "  string s; string t; int n; M m; int[] a;\n"
           "  int g(int p, int q) { return p + q; }\n"
           "  void v() { }\n" +
           extra +
           "  void f(int i) {\n" + body +
           "\n  }\n"
           "};\n";
}

const char* const kF = "$void@C::f(int)";

struct Golden {
    const char* name;
    std::string body;
    std::vector<std::string> code;
};

class CodeGenerationGoldens : public GSTest::CheckedBuildTest {
protected:
    void Run(const std::vector<Golden>& cases) {
        for (const Golden& c : cases) {
            SCOPED_TRACE(c.name);
            auto compiled = Build(ClassSource(c.body));
            EXPECT_EQ(compiled->Listing("C", kF), c.code);
        }
    }
};

TEST_F(CodeGenerationGoldens, Statements) {
    Run({
        {"a for without condition loops until break",
         "for (;;) { i = 2; break; }",
         {"PushOne", "JumpIfZero 24", "PushConst 2", "StoreLocal 1", "Jump 24", "Jump 0", "Return"}},
        {"a for with all parts; continue goes to the step",
         "for (i = 0; i < 3; i++) { if (i) continue; }",
         {"PushZero", "StoreLocal 1", "LoadLocal 1", "PushConst 3", "CompareInt", "IsLess", "JumpIfZero 46",
          "LoadLocal 1", "JumpIfZero 32", "Jump 32", "LoadLocal 1", "Dup", "IncInt", "StoreLocal 1", "Pop",
          "Jump 4", "Return"}},
        {"while", "while (i) i--;",
         {"LoadLocal 1", "JumpIfZero 22", "LoadLocal 1", "Dup", "DecInt", "StoreLocal 1", "Pop", "Jump 0",
          "Return"}},
        {"if with a string tests for null", "if (s) i = 2;",
         {"LoadMyMemberRef 2", "IsNotNull", "JumpIfZero 17", "PushConst 2", "StoreLocal 1", "Return"}},
        {"if and else with an object", "if (m) i = 2; else i = 3;",
         {"LoadMyMemberRef 5", "IsNotNull", "JumpIfZero 22", "PushConst 2", "StoreLocal 1", "Jump 30",
          "PushConst 3", "StoreLocal 1", "Return"}},
        {"switch keys ascend whatever the order of the cases",
         "switch (i) { case 9: i = 2; break; case -3: break; case 5: default: break; }",
         {"LoadLocal 1", "Switch [-3->47 5->52 9->34] default 52", "PushConst 2", "StoreLocal 1", "Jump 57",
          "Jump 57", "Jump 57", "Return"}},
        {"cases nested in a block of the switch belong to it",
         "switch (i) { case 1: { i = 2; case 2: i = 3; } default: break; }",
         {"LoadLocal 1", "Switch [1->26 2->34] default 42", "PushConst 2", "StoreLocal 1", "PushConst 3",
          "StoreLocal 1", "Jump 47", "Return"}},
        {"a case of 2147483647 beside the default",
         "switch (i) { default: i = 2; break; case 2147483647: i = 3; }",
         {"LoadLocal 1", "Switch [2147483647->31] default 18", "PushConst 2", "StoreLocal 1", "Jump 39",
          "PushConst 3", "StoreLocal 1", "Return"}},
        {"wait: continue waits again, break leaves, a handler ends the wait",
         "wait() { on \"a\", \"b\": { i = 2; continue; } on \"c\", \"d\", m: break; }",
         {"Wait [\"a\",\"b\"->19 \"c\",\"d\"->38]", "PopRef", "PushConst 2", "StoreLocal 1", "Jump 0",
          "Jump 49", "Cast M", "StoreMyMemberRef 5", "Jump 49", "Return"}},
        {"a standalone on waits for its one pair",
         "on \"x\", \"y\", m: i = 2;",
         {"Wait [\"x\",\"y\"->11]", "Cast M", "StoreMyMemberRef 5", "PushConst 2", "StoreLocal 1", "Return"}},
        {"an on into an element passes the message through a temporary",
         "M[] ms; on \"x\", \"y\", ms[i]: ;",
         {"Wait [\"x\",\"y\"->11]", "StoreLocal 3", "LoadLocalRef 2", "LoadLocal 1", "LoadLocal 3", "Cast M",
          "ArraySetRef", "Return"}},
        {"a forward goto", "goto done; i = 2; done: i = 3;",
         {"Jump 13", "PushConst 2", "StoreLocal 1", "PushConst 3", "StoreLocal 1", "Return"}},
        {"return with and without a value", "if (i) return; v();",
         {"LoadLocal 1", "JumpIfZero 9", "Return", "LoadLocalRef 0", "Call 0 1", "Return"}},
    });
}

TEST_F(CodeGenerationGoldens, IncrementsAndAssignments) {
    Run({
        {"i++ and ++i as statements", "i++; ++i;",
         {"LoadLocal 1", "Dup", "IncInt", "StoreLocal 1", "Pop", "LoadLocal 1", "IncInt", "StoreLocal 1", "Return"}},
        {"own members, used and unused", "n--; i = --n; i = n++;",
         {"LoadMyMember 4", "Dup", "DecInt", "StoreMyMember 4", "Pop", "LoadMyMember 4", "DecInt",
          "StoreMyMemberKeep 4", "StoreLocal 1", "LoadMyMember 4", "Dup", "IncInt", "StoreMyMember 4",
          "StoreLocal 1", "Return"}},
        {"a.x++ as a value keeps the old value in a temporary", "i = m.x++;",
         {"LoadMyMemberRef 5", "DupRef", "LoadMember 2", "StoreLocalKeep 2", "IncInt", "StoreMember 2",
          "LoadLocal 2", "StoreLocal 1", "Return"}},
        {"a.x++ and ++a.x as statements, ++a.x as a value", "m.x++; ++m.x; i = ++m.x;",
         {"LoadMyMemberRef 5", "DupRef", "LoadMember 2", "IncInt", "StoreMember 2", "LoadMyMemberRef 5", "DupRef",
          "LoadMember 2", "IncInt", "StoreMember 2", "LoadMyMemberRef 5", "DupRef", "LoadMember 2", "IncInt",
          "StoreMemberKeep 2", "StoreLocal 1", "Return"}},
        {"element increments", "a[i]++; i = a[2]--; i = ++a[i];",
         {"LoadMyMemberRef 6", "LoadLocal 1", "DupPairRef", "ArrayGet", "IncInt", "ArraySet", "LoadMyMemberRef 6",
          "PushConst 2", "DupPairRef", "ArrayGet", "StoreLocalKeep 2", "DecInt", "ArraySet", "LoadLocal 2",
          "StoreLocal 1", "LoadMyMemberRef 6", "LoadLocal 1", "DupPairRef", "ArrayGet", "IncInt", "ArraySetKeep",
          "StoreLocal 1", "Return"}},
        {"s = t copies the string, s = \"lit\" does not", "s = t; s = \"lit\";",
         {"LoadMyMemberRef 3", "StringCopy", "StoreMyMemberRef 2", "PushString \"lit\"", "StoreMyMemberRef 2",
          "Return"}},
        {"chained assignment keeps the value", "i = n = 7;",
         {"PushConst 7", "StoreMyMemberKeep 4", "StoreLocal 1", "Return"}},
        {"stores into members of objects and elements", "m.x = i; a[1] = 4; s[0] = 65;",
         {"LoadMyMemberRef 5", "LoadLocal 1", "StoreMember 2", "LoadMyMemberRef 6", "PushOne", "PushConst 4",
          "ArraySet", "LoadMyMemberRef 2", "PushZero", "PushConst 65", "StringSet", "Return"}},
        {"range stores", "s[1,2] = t; t[,3] = \"ab\";",
         {"LoadMyMemberRef 2", "PushConst 2", "PushOne", "LoadMyMemberRef 3", "StringCopy", "StringSetRange",
          "LoadMyMemberRef 3", "PushConst 3", "PushConst -1", "PushString \"ab\"", "StringSetRange", "Return"}},
        {"copy", "a.copy(a); s.copy(t);",
         {"LoadMyMemberRef 6", "ArrayCopy", "StoreMyMemberRef 6", "LoadMyMemberRef 3", "StringCopy",
          "StoreMyMemberRef 2", "Return"}},
    });
}

TEST_F(CodeGenerationGoldens, Expressions) {
    Run({
        {"\"n=\" + 5 converts the 5", "s = \"n=\" + 5;",
         {"PushString \"n=\"", "PushConst 5", "IntToString", "ConcatString", "StoreMyMemberRef 2", "Return"}},
        {"an int operand of a float sum", "float x = i + 2.0;",
         {"LoadLocal 1", "IntToFloat", "PushConst 1073741824", "AddFloat", "StoreLocal 2", "Return"}},
        {"a string against an int on either side", "i = s < 3; i = 3 != s;",
         {"LoadMyMemberRef 2", "PushConst 3", "IntToString", "CompareString", "IsLess", "StoreLocal 1",
          "PushConst 3", "IntToString", "LoadMyMemberRef 2", "CompareString", "NotZero", "StoreLocal 1", "Return"}},
        {"comparisons of ints, floats and references", "i = n >= i; i = 1.5 == i; i = m != null;",
         {"LoadMyMember 4", "LoadLocal 1", "CompareInt", "IsGreaterEqual", "StoreLocal 1", "PushConst 1069547520",
          "LoadLocal 1", "IntToFloat", "CompareFloat", "NotInt", "StoreLocal 1", "LoadMyMemberRef 5", "PushZero",
          "RefNotEqual", "NotZero", "StoreLocal 1", "Return"}},
        {"x[2,] reads to the end", "t = s[2,]; t = s[,3];",
         {"LoadMyMemberRef 2", "PushConst -1", "PushConst 2", "StringSlice", "StringCopy", "StoreMyMemberRef 3",
          "LoadMyMemberRef 2", "PushConst 3", "PushConst -1", "StringSlice", "StringCopy", "StoreMyMemberRef 3",
          "Return"}},
        {"and leaves the deciding value", "i = (i and n);",
         {"LoadLocal 1", "JumpIfZeroKeep 12", "Pop", "LoadMyMember 4", "StoreLocal 1", "Return"}},
        {"or of strings tests each for null", "i = (s or t);",
         {"LoadMyMemberRef 2", "IsNotNull", "JumpIfNotZeroKeep 14", "Pop", "LoadMyMemberRef 3", "IsNotNull",
          "StoreLocal 1", "Return"}},
        {"unary operators", "i = -i; i = ~i; i = !i; i = !s; float x = -(i + 0.5); i = !x;",
         {"LoadLocal 1", "NegInt", "StoreLocal 1", "LoadLocal 1", "ComplementInt", "StoreLocal 1", "LoadLocal 1",
          "NotInt", "StoreLocal 1", "LoadMyMemberRef 2", "IsNull", "StoreLocal 1", "LoadLocal 1", "IntToFloat",
          "PushConst 1056964608", "AddFloat", "NegFloat", "StoreLocal 2", "LoadLocal 2", "NotFloat", "StoreLocal 1",
          "Return"}},
        {"arithmetic and bit operators", "i = i * n / 3 % 4 - 1; i = i << 2 >> 1 & 3 ^ 5 | n;",
         {"LoadLocal 1", "LoadMyMember 4", "MulInt", "PushConst 3", "DivInt", "PushConst 4", "ModInt", "PushOne",
          "SubInt", "StoreLocal 1", "LoadLocal 1", "PushConst 2", "ShiftLeft", "PushOne", "ShiftRight", "PushConst 3",
          "AndInt", "PushConst 5", "XorInt", "LoadMyMember 4", "OrInt", "StoreLocal 1", "Return"}},
        {"conversions in declarations, casts and assignments", "float x = i; i = x; bool b = x; s = (string) b;",
         {"LoadLocal 1", "IntToFloat", "StoreLocal 2", "LoadLocal 2", "FloatToInt", "StoreLocal 1", "LoadLocal 2",
          "FloatToInt", "StoreLocal 3", "LoadLocal 3", "BoolToString", "StringCopy", "StoreMyMemberRef 2",
          "Return"}},
        {"size, isclass, new", "i = s.size() + a.size(); i = m.isclass(M); m = new M(); a = new int[i]; "
                               "M[] ms = new M[2]; s = new string();",
         {"LoadMyMemberRef 2", "StringSize", "LoadMyMemberRef 6", "ArraySize", "AddInt", "StoreLocal 1",
          "LoadMyMemberRef 5", "IsClass M", "StoreLocal 1", "NewObject M", "StoreMyMemberRef 5", "LoadLocal 1",
          "NewArray", "StoreMyMemberRef 6", "PushConst 2", "NewRefArray", "StoreLocalRef 2", "NewString",
          "StoreMyMemberRef 2", "Return"}},
        {"element and member reads", "M[] ms; i = ms[0].x + a[i]; s = ms[1].h(1, 2) + \"\";",
         {"LoadLocalRef 2", "PushZero", "ArrayGetRef", "LoadMember 2", "LoadMyMemberRef 6", "LoadLocal 1",
          "ArrayGet", "AddInt", "StoreLocal 1", "LoadLocalRef 2", "PushOne", "ArrayGetRef", "PushOne", "PushConst 2",
          "Call -2 0", "IntToString", "PushString \"\"", "ConcatString", "StoreMyMemberRef 2", "Return"}},
    });
}

TEST_F(CodeGenerationGoldens, Calls) {
    Run({
        {"two arguments through an object", "i = m.h(1, i);",
         {"LoadMyMemberRef 5", "PushOne", "LoadLocal 1", "Call -2 0", "StoreLocal 1", "Return"}},
        {"own calls; an unused result is popped, a void call leaves nothing", "i = g(2, 3); g(i, i); v();",
         {"LoadLocalRef 0", "PushConst 2", "PushConst 3", "Call -2 0", "StoreLocal 1", "LoadLocalRef 0",
          "LoadLocal 1", "LoadLocal 1", "Call -2 0", "Pop", "LoadLocalRef 0", "Call 0 1", "Return"}},
        {"a float argument of an int parameter is cast", "i = g(1.5, i);",
         {"LoadLocalRef 0", "PushConst 1069547520", "FloatToInt", "LoadLocal 1", "Call -2 0", "StoreLocal 1",
          "Return"}},
    });
}

// Calls of natives, threads, static classes and base implementations.
TEST_F(CodeGenerationGoldens, CallForms) {
    const std::string source =
        "static class Clock { public int now; public native int Ticks(); };\n"
        "game class Base {\n"
        "  public int Value(int k) { return k; }\n"
        "  thread void Run() { }\n"
        "};\n"
        "game class Derived isclass Base {\n"
        "  public int Value(int k) { return inherited(k) + Clock.now + Clock.Ticks(); }\n"
        "  void Start() { Run(); me.Run(); }\n"
        "};\n";
    auto compiled = Build(source);
    EXPECT_EQ(compiled->Listing("Derived", "$int@Derived::Value(int)"),
              (std::vector<std::string>{"LoadLocalRef 0", "LoadLocal 1", "CallBase -1", "PushStatic Clock",
                                        "LoadMember 2", "AddInt", "PushStatic Clock", "CallNative 0 0", "AddInt",
                                        "ReturnValue"}));
    EXPECT_EQ(compiled->Listing("Derived", "$void@Derived::Start()"),
              (std::vector<std::string>{"LoadLocalRef 0", "CallThread 0 1", "LoadLocalRef 0", "CallThread 0 1",
                                        "Return"}));
}

}  // namespace
