// The compiler folds operators over constants; the interpreter computes the
// same operators over arguments. The same expression, compiled both ways,
// must give the same result, except for the two rules that differ on
// purpose: a folded >> is arithmetic while the run-time shift is logical,
// and folded integer comparisons are exact while the run-time compare reads
// the sign of a wrapping difference.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "gsruntime/interpreter/GSCompiledScript.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

enum class Type { Int, Float, Bool };

struct Expression {
    std::string op;
    Type operands;
    Type result;
    std::string a;   // the constants as source text
    std::string b;   // empty for a unary operator
    uint32_t aBits;  // and as argument slots
    uint32_t bBits;
    bool foldable = true;  // false where the compiler leaves the operator to the run time
};

std::string IntText(int64_t v) {
    if (v == INT_MIN) return "(-2147483647 - 1)";
    return v < 0 ? "(-" + std::to_string(-v) + ")" : std::to_string(v);
}
Expression Ints(const std::string& op, int64_t a, int64_t b, Type result = Type::Int) {
    return {op, Type::Int, result, IntText(a), IntText(b), static_cast<uint32_t>(a), static_cast<uint32_t>(b)};
}
Expression IntUnary(const std::string& op, int64_t a, Type result = Type::Int) {
    return {op, Type::Int, result, IntText(a), "", static_cast<uint32_t>(a), 0};
}
Expression Floats(const std::string& op, const std::string& a, float av, const std::string& b, float bv,
                  Type result = Type::Float) {
    return {op, Type::Float, result, a, b, GSTest::FloatBits(av), GSTest::FloatBits(bv)};
}

// An expression the compiler does not fold (a division the interpreter
// refuses or that has no int result).
Expression RunTime(Expression e) {
    e.foldable = false;
    return e;
}

const char* TypeName(Type type) { return type == Type::Int ? "int" : (type == Type::Float ? "float" : "bool"); }

class GSFoldDifferential : public GSTest::InterpreterTest {
protected:
    // Compiles K<i>() returning the expression over constants and R<i>(a, b)
    // returning it over its arguments, for every expression.
    GSLibrary* Compile(const std::vector<Expression>& expressions) {
        std::string source = "class Fold {\n";
        for (size_t i = 0; i < expressions.size(); ++i) {
            const Expression& e = expressions[i];
            const std::string n = std::to_string(i);
            const bool unary = e.b.empty();
            const std::string folded = unary ? e.op + e.a : e.a + " " + e.op + " " + e.b;
            const std::string runtime = unary ? e.op + "a" : "a " + e.op + " b";
            const std::string args = std::string(TypeName(e.operands)) + " a" +
                                     (unary ? "" : std::string(", ") + TypeName(e.operands) + " b");
            source += std::string("  public ") + TypeName(e.result) + " K" + n + "(void) { return " + folded + "; }\n";
            source += std::string("  public ") + TypeName(e.result) + " R" + n + "(" + args + ") { return " + runtime +
                      "; }\n";
        }
        source += "};\n";
        return GSTest::CompileAndLoad(root, OwnName("fold.gs"), source);
    }

    std::string Signature(const Expression& e, const char* kind, size_t i) {
        std::string s = std::string("$") + TypeName(e.result) + "@Fold::" + kind + std::to_string(i) + "(";
        if (kind[0] == 'R')
            s += std::string(TypeName(e.operands)) + (e.b.empty() ? "" : std::string(",") + TypeName(e.operands));
        return s + ")";
    }

    // Runs both forms of expression i: {folded, at run time}.
    std::pair<Outcome, Outcome> RunBoth(GSLibrary* library, GSObject* me, const std::vector<Expression>& expressions,
                                        size_t i) {
        const Expression& e = expressions[i];
        const GSFunction* folded = GSTest::FindFunction(library, "Fold", Signature(e, "K", i));
        const GSFunction* runtime = GSTest::FindFunction(library, "Fold", Signature(e, "R", i));
        EXPECT_NE(folded, nullptr) << Signature(e, "K", i);
        EXPECT_NE(runtime, nullptr) << Signature(e, "R", i);
        if (!folded || !runtime) return {};
        // What folds is a constant: one push and the return.
        if (e.foldable) {
            EXPECT_LE(folded->codeLength, 6u) << e.a << " " << e.op << " " << e.b << " was not folded";
        }
        std::vector<uint32_t> arguments{e.aBits};
        if (!e.b.empty()) arguments.push_back(e.bBits);
        return {Run(folded, me->GetReference()), Run(runtime, me->GetReference(), arguments)};
    }
};

std::string Describe(const Expression& e) { return e.a + " " + e.op + " " + e.b; }

TEST_F(GSFoldDifferential, FoldedAndRunTimeResultsAgree) {
    const std::vector<Expression> expressions = {
        Ints("+", INT_MAX, 1),
        Ints("-", INT_MIN, 1),
        Ints("*", 65536, 65536),
        Ints("*", -3, 7),
        Ints("/", 7, -2),
        Ints("/", -7, 2),
        Ints("%", -7, 2),
        Ints("%", 7, -2),
        RunTime(Ints("/", INT_MIN, -1)),
        RunTime(Ints("%", INT_MIN, -1)),
        RunTime(Ints("/", 5, 0)),
        RunTime(Ints("%", 5, 0)),
        Ints("<<", 1, 31),
        Ints("<<", 1, 33),
        Ints("<<", 3, -1),
        Ints(">>", 8, 35),
        Ints(">>", 64, 3),
        Ints("&", 0xF0F0, 0xFF00),
        Ints("|", 0xF0F0, 0x0F00),
        Ints("^", -1, 0x0F0F),
        Ints("<", 3, 5, Type::Bool),
        Ints(">", 3, 5, Type::Bool),
        Ints("<=", 5, 5, Type::Bool),
        Ints(">=", -4, 5, Type::Bool),
        Ints("==", 5, 5, Type::Bool),
        Ints("!=", INT_MAX, -1, Type::Bool),
        Ints("==", INT_MIN, 0, Type::Bool),
        IntUnary("-", INT_MIN),
        IntUnary("-", 5),
        IntUnary("~", 0),
        IntUnary("!", 0, Type::Bool),
        IntUnary("!", INT_MIN, Type::Bool),
        Floats("+", "1.5", 1.5f, "2.25", 2.25f),
        Floats("-", "1.5", 1.5f, "2.25", 2.25f),
        Floats("*", "1.5", 1.5f, "(-2.0)", -2.0f),
        Floats("/", "1.0", 1.0f, "4.0", 4.0f),
        Floats("/", "1.0", 1.0f, "(-0.0)", -0.0f),
        RunTime(Floats("/", "1.0", 1.0f, "0.0", 0.0f)),
        Floats("%", "5.5", 5.5f, "2.0", 2.0f),
        Floats("%", "(-5.5)", -5.5f, "2.0", 2.0f),
        Floats("<", "1.5", 1.5f, "2.5", 2.5f, Type::Bool),
        Floats(">=", "(-0.0)", -0.0f, "0.0", 0.0f, Type::Bool),
        Floats("==", "0.1", 0.1f, "0.1", 0.1f, Type::Bool),
    };
    GSLibrary* library = Compile(expressions);
    ASSERT_NE(library, nullptr);
    GSObject* me = new GSObject();
    ASSERT_TRUE(me->BindClass(library->FindClass("Fold"), context));
    for (size_t i = 0; i < expressions.size(); ++i) {
        const auto [folded, runtime] = RunBoth(library, me, expressions, i);
        EXPECT_EQ(folded.code, runtime.code) << Describe(expressions[i]);
        EXPECT_EQ(folded.value, runtime.value) << Describe(expressions[i]) << ": folded " << int32_t(folded.value)
                                               << ", at run time " << int32_t(runtime.value);
    }
    delete me;
}

// The two known differences, pinned as such.
TEST_F(GSFoldDifferential, ShiftRightAndWrappingComparisonsDifferOnPurpose) {
    const std::vector<Expression> expressions = {
        Ints(">>", -8, 1),
        Ints("<", INT_MAX, -1, Type::Bool),
        Ints(">", INT_MIN, 1, Type::Bool),
    };
    GSLibrary* library = Compile(expressions);
    ASSERT_NE(library, nullptr);
    GSObject* me = new GSObject();
    ASSERT_TRUE(me->BindClass(library->FindClass("Fold"), context));
    const struct {
        uint32_t folded;
        uint32_t runtime;
    } expected[] = {
        {0xFFFFFFFCu, 0x7FFFFFFCu},  // arithmetic -4, logical 2147483644
        {0, 1},                      // exact false; INT_MAX - -1 wraps to INT_MIN, read as less
        {0, 1},                      // exact false; INT_MIN - 1 wraps to INT_MAX, read as greater
    };
    for (size_t i = 0; i < expressions.size(); ++i) {
        const auto [folded, runtime] = RunBoth(library, me, expressions, i);
        EXPECT_EQ(folded.value, expected[i].folded) << Describe(expressions[i]);
        EXPECT_EQ(runtime.value, expected[i].runtime) << Describe(expressions[i]);
    }
    delete me;
}

}  // namespace
