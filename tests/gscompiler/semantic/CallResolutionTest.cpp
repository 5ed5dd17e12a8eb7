// Call resolution: overload choice, inserted argument casts, the
// annotations of a call, overrides and inherited.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SemanticTestSupport.h"
#include "gscompiler/GSTypes.h"

namespace {

using GSCompiler::GSClassSymbol;
using GSCompiler::GSFunctionSymbol;
using GSCompiler::GSSymbol;
using GSSemanticTest::Program;

// The statements of the last function of the last class.
GSCNode* LastBody(Program& program) {
    GSCNode* cls = nullptr;
    for (int i = 0; program.Class(i); ++i) cls = program.Class(i);
    GSCNode* function = nullptr;
    for (GSCNode* member = cls->children[2]; member; member = member->next)
        if (member->Is(kGSDeclaration, kGSDeclFunction)) function = member;
    return Program::Body(function);
}

GSFunctionSymbol* Function(Program& program, const char* cls, const char* lookupName) {
    auto* owner = static_cast<GSClassSymbol*>(program.Symbols().Find(cls, nullptr, false, false));
    GSSymbol* symbol = owner ? owner->FindLocal(lookupName, true) : nullptr;
    return symbol && symbol->kind == GSSymbol::kFunction ? static_cast<GSFunctionSymbol*>(symbol) : nullptr;
}

// The slot the call to `function` must carry, in the layout of `cls`.
int16_t SlotIn(Program& program, const char* cls, GSFunctionSymbol* function) {
    auto* owner = static_cast<GSClassSymbol*>(program.Symbols().Find(cls, nullptr, false, false));
    int16_t slot = -1;
    EXPECT_EQ(program.Symbols().SlotOf(function, owner, slot), 0);
    return slot;
}

TEST(CallResolution, OverloadsByArgumentType) {
    const std::string overloads = "class C {\nvoid f(int a) {}\nvoid f(float a) {}\nvoid g() {\n";
    // With a bool both overloads need a conversion: the first in the class's
    // member-table order wins.
    Program probe(overloads + "}\n};");
    GSFunctionSymbol* candidates[4] = {};
    auto* cls = static_cast<GSClassSymbol*>(probe.Symbols().Find("C", nullptr, false, false));
    ASSERT_EQ(cls->FindFunctions("f", candidates, 4, 1, false), 2);
    const std::string firstType = std::strstr(candidates[0]->name, "(int)") ? "int" : "float";

    struct Case {
        const char* call;
        const char* tree;
        const char* chosen;  // lookup name of the function called
    };
    const std::vector<Case> cases = {
        {"f(1);", "(call f 1)", "::f(int)"},
        {"f(2.5);", "(call f 2.5f)", "::f(float)"},
        {"f(true);", nullptr, nullptr},  // the first in order, with a cast to its type
    };
    for (const auto& c : cases) {
        Program program(overloads + c.call + "\n}\n};");
        EXPECT_TRUE(program.Messages().empty()) << c.call << ": " << ::testing::PrintToString(program.Messages());
        GSCNode* call = LastBody(program);
        const std::string chosen = c.chosen ? c.chosen : "::f(" + firstType + ")";
        const std::string tree = c.tree ? c.tree : "(call f (() true type:" + firstType + "))";
        EXPECT_EQ(GSSemanticTest::PrintNode(call), tree) << c.call;
        GSFunctionSymbol* function = Function(program, "C", chosen.c_str());
        ASSERT_NE(function, nullptr) << chosen;
        EXPECT_EQ(call->slot, SlotIn(program, "C", function)) << c.call;
        EXPECT_EQ(call->typeCode, kGSTypeVoid) << c.call;
        EXPECT_EQ(call->value, 2u) << c.call << ": the call consumes the argument and me";
    }
}

TEST(CallResolution, ArgumentCastsForClasses) {
    const std::string classes = "class A {};\nclass B isclass A {};\n";
    struct Case {
        const char* function;
        const char* call;
        const char* tree;
    };
    const std::vector<Case> cases = {
        // Up the hierarchy: a cast to the base.
        {"void g(A a) {}", "g(b);", "(call g (() b (type:object A)))"},
        // The same class: nothing to convert.
        {"void g(B x) {}", "g(b);", "(call g b)"},
        // A plain object takes any class, by a cast without a class.
        {"void g(object o) {}", "g(b);", "(call g (() b type:object))"},
        // null converts to any object.
        {"void g(A a) {}", "g(null);", "(call g (() null (type:object A)))"},
        // Numbers convert for a string argument; the second stays.
        {"void g(string s, int i) {}", "g(1, 2);", "(call g [(() 1 type:string) 2])"},
    };
    for (const auto& c : cases) {
        Program program(classes + "class D {\n" + c.function + "\nvoid h(B b) {\n" + c.call + "\n}\n};");
        EXPECT_TRUE(program.Messages().empty()) << c.call << ": " << ::testing::PrintToString(program.Messages());
        GSCNode* call = LastBody(program);
        EXPECT_EQ(GSSemanticTest::PrintNode(call), c.tree) << c.function;
        // Every argument is typed as the parameter it goes to.
        for (GSCNode* argument = call->children[1]; argument; argument = argument->next) {
            if (argument->Is(kGSExpression, kGSExprOperator) && argument->subKind == kGSOpCast) {
                EXPECT_EQ(argument->typeCode, argument->children[1]->typeCode) << c.function;
            }
        }
    }
}

TEST(CallResolution, CallAnnotations) {
    Program program(
        "class A {\npublic native int N(int a, string b);\npublic thread void T() {}\n};\n"
        "class C {\nA Make() { return null; }\nvoid f(A a) {\na.N(1, \"x\");\na.T();\nMake();\n}\n};");
    ASSERT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* native = LastBody(program);
    GSCNode* thread = native->next;
    GSCNode* own = thread->next;

    EXPECT_EQ(native->typeCode, kGSTypeInt);
    EXPECT_TRUE(native->flags & kGSNative);
    EXPECT_TRUE(native->flags & kGSNodeObjectCall);
    EXPECT_EQ(native->value, 3u);
    EXPECT_EQ(native->slot, SlotIn(program, "A", Function(program, "A", "::N(int,string)")));
    EXPECT_TRUE(native->children[0]->flags & kGSNodeObjectCall);
    EXPECT_STREQ(native->children[0]->className, "A");

    EXPECT_TRUE(thread->flags & kGSThread);
    EXPECT_EQ(thread->value, 1u);

    EXPECT_FALSE(own->flags & kGSNodeObjectCall);
    EXPECT_EQ(own->typeCode, kGSTypeObject);
    EXPECT_STREQ(own->className, "A");
    EXPECT_EQ(own->slot, SlotIn(program, "C", Function(program, "C", "::Make()")));
    // The thread function made its class a game class.
    EXPECT_TRUE(program.Symbols().Find("A", nullptr, false, false)->flags & kGSGame);
}

// A method overridden at an intermediate level is not ambiguous when it is
// called from a further subclass: the nearest override is the call's
// target. The same method in two unrelated bases stays ambiguous (see the
// message table).
TEST(CallResolution, OverrideAtAnIntermediateLevel) {
    Program program(
        "class A { public void f(int i) {} };\n"
        "class B isclass A { public void f(int i) {} };\n"
        "class C isclass B {\nvoid g(C c) {\nf(1);\nc.f(2);\n}\n};");
    EXPECT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* call = LastBody(program);
    GSFunctionSymbol* override = Function(program, "B", "::f(int)");
    EXPECT_EQ(call->slot, SlotIn(program, "C", override));
    EXPECT_EQ(call->next->slot, SlotIn(program, "C", override));
}

TEST(CallResolution, InheritedCall) {
    Program program(
        "class A { A f(A a, float x) { return a; } };\n"
        "class B isclass A {\nA f(A a, float x) {\nreturn inherited(me, 1);\n}\n};");
    EXPECT_TRUE(program.Messages().empty()) << ::testing::PrintToString(program.Messages());
    GSCNode* call = LastBody(program)->children[0];
    EXPECT_EQ(GSSemanticTest::PrintNode(call), "(call inherited [(() me (type:object A)) (() 1 type:float)])");
    EXPECT_EQ(call->typeCode, kGSTypeObject);
    EXPECT_STREQ(call->className, "A");
    EXPECT_EQ(call->value, 3u);
}

TEST(CallResolution, FunctionsAreKnownFromTheirDeclarationOn) {
    // One walk: a function is known once its declaration has been checked,
    // so a later function is called through a prototype.
    Program late("class C {\nvoid f() {\ng();\n}\nvoid g() {}\n};");
    EXPECT_EQ(late.Messages(), std::vector<std::string>{"test.gs(3) : function g not declared, line 3."});
    Program prototyped("class C {\nvoid g();\nvoid f() {\ng();\n}\nvoid g() {}\n};");
    EXPECT_TRUE(prototyped.Messages().empty()) << ::testing::PrintToString(prototyped.Messages());
}

}  // namespace
