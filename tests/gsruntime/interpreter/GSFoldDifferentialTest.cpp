// The compiler folds operators over constants; the interpreter computes the
// same operators over arguments. The same expression, compiled both ways,
// must give the same result bit for bit: libraries already compiled rely on
// what the instructions compute, so folding follows them (a logical >>,
// comparisons by the sign of a wrapping difference, `and` / `or` leaving
// the deciding operand's value).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "gsruntime/interpreter/GSCompiledScript.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

enum class Type { Int, Float, Bool };

// One operand: its source text (a constant expression) and the bits the
// argument slot gets.
struct Operand {
    Type type;
    std::string text;
    uint32_t bits;
};

struct Expression {
    std::string op;
    Type result;
    Operand a;
    Operand b;               // type Bool with empty text for a unary operator
    bool foldable = true;    // false where the compiler leaves the operator to the run time
    bool Unary() const { return b.text.empty(); }
};

Operand Int(int64_t v) {
    const std::string text = v == INT_MIN ? "(-2147483647 - 1)"
                                          : (v < 0 ? "(-" + std::to_string(-v) + ")" : std::to_string(v));
    return {Type::Int, text, static_cast<uint32_t>(v)};
}

// A float written as a decimal literal; its bits are what the scanner
// reads from that text.
Operand Float(const std::string& literal) {
    const bool negative = literal[0] == '-';
    const std::string digits = negative ? literal.substr(1) : literal;
    const float value = std::strtof(digits.c_str(), nullptr);
    return {Type::Float, negative ? "(-" + digits + ")" : digits, GSTest::FloatBits(negative ? -0.0f - value : value)};
}

// Floats no literal can write: the constant expression and its bits,
// computed here as the folder and the instruction both compute it.
Operand SpecialFloat(const std::string& text, float value) { return {Type::Float, text, GSTest::FloatBits(value)}; }

Operand Bool(bool v) { return {Type::Bool, v ? "true" : "false", v ? 1u : 0u}; }

const char* TypeName(Type type) { return type == Type::Int ? "int" : (type == Type::Float ? "float" : "bool"); }

Type ArithmeticResult(const Operand& a, const Operand& b) {
    return a.type == Type::Float || b.type == Type::Float ? Type::Float : Type::Int;
}

Expression Binary(const std::string& op, const Operand& a, const Operand& b) {
    static const std::vector<std::string> kBool = {"<", ">", "<=", ">=", "==", "!=", "and", "or"};
    Type result = ArithmeticResult(a, b);
    for (const std::string& o : kBool)
        if (o == op) result = Type::Bool;
    Expression e{op, result, a, b};
    // Division by zero raises at run time; the smallest int by -1 is left
    // to the instruction too.
    if (op == "/" || op == "%") {
        if (result == Type::Float)
            e.foldable = b.bits != 0;
        else
            e.foldable = b.bits != 0 && !(a.bits == 0x80000000u && b.bits == 0xFFFFFFFFu);
    }
    return e;
}

Expression Unary(const std::string& op, const Operand& a) {
    const Type result = op == "!" ? Type::Bool : a.type;
    return {op, result, a, {Type::Bool, "", 0}};
}

std::string Describe(const Expression& e) {
    return e.Unary() ? e.op + e.a.text : e.a.text + " " + e.op + " " + e.b.text;
}

class GSFoldDifferential : public GSTest::InterpreterTest {
protected:
    // Compiles K<i>() returning the expression over constants and R<i>(a, b)
    // returning it over its arguments, for every expression.
    GSLibrary* Compile(const std::vector<Expression>& expressions) {
        std::string source = "class Fold {\n";
        for (size_t i = 0; i < expressions.size(); ++i) {
            const Expression& e = expressions[i];
            const std::string n = std::to_string(i);
            const std::string runtime = e.Unary() ? e.op + " a" : "a " + e.op + " b";
            std::string args = std::string(TypeName(e.a.type)) + " a";
            if (!e.Unary()) args += std::string(", ") + TypeName(e.b.type) + " b";
            source += std::string("  public ") + TypeName(e.result) + " K" + n + "(void) { return " + Describe(e) +
                      "; }\n";
            source += std::string("  public ") + TypeName(e.result) + " R" + n + "(" + args + ") { return " + runtime +
                      "; }\n";
        }
        source += "};\n";
        return GSTest::CompileAndLoad(root, OwnName("fold.gs"), source);
    }

    static std::string Signature(const Expression& e, const char* kind, size_t i) {
        std::string s = std::string("$") + TypeName(e.result) + "@Fold::" + kind + std::to_string(i) + "(";
        if (kind[0] == 'R') {
            s += TypeName(e.a.type);
            if (!e.Unary()) s += std::string(",") + TypeName(e.b.type);
        }
        return s + ")";
    }

    // Compiles every expression both ways, runs both and compares.
    void ExpectAgreement(const std::vector<Expression>& expressions) {
        GSLibrary* library = Compile(expressions);
        ASSERT_NE(library, nullptr);
        GSObject* me = new GSObject();
        ASSERT_TRUE(me->BindClass(library->FindClass("Fold"), context));
        for (size_t i = 0; i < expressions.size(); ++i) {
            const Expression& e = expressions[i];
            const GSFunction* folded = GSTest::FindFunction(library, "Fold", Signature(e, "K", i));
            const GSFunction* runtime = GSTest::FindFunction(library, "Fold", Signature(e, "R", i));
            ASSERT_NE(folded, nullptr) << Signature(e, "K", i);
            ASSERT_NE(runtime, nullptr) << Signature(e, "R", i);
            // What folds is a constant: one push and the return.
            if (e.foldable) {
                EXPECT_LE(folded->codeLength, 6u) << Describe(e) << " was not folded";
            }
            std::vector<uint32_t> arguments{e.a.bits};
            if (!e.Unary()) arguments.push_back(e.b.bits);
            const Outcome k = Run(folded, me->GetReference());
            const Outcome r = Run(runtime, me->GetReference(), arguments);
            EXPECT_EQ(k.code, r.code) << Describe(e);
            EXPECT_EQ(k.value, r.value) << Describe(e) << ": folded " << int32_t(k.value) << ", at run time "
                                        << int32_t(r.value);
        }
        delete me;
    }
};

// The cases that once folded differently, and the edges of each rule.
TEST_F(GSFoldDifferential, EdgeCasesAgree) {
    volatile float zero = 0.0f, negativeZero = -0.0f, one = 1.0f;
    const float infinity = one / negativeZero * -1.0f;
    const float nan = zero / negativeZero;
    const Operand inf = SpecialFloat("(1.0 / (-0.0) * (-1.0))", infinity);
    const Operand notANumber = SpecialFloat("(0.0 / (-0.0))", nan);
    std::vector<Expression> expressions = {
        Binary("+", Int(INT_MAX), Int(1)),
        Binary("-", Int(INT_MIN), Int(1)),
        Binary("*", Int(65536), Int(65536)),
        Binary("/", Int(-7), Int(2)),
        Binary("%", Int(7), Int(-2)),
        Binary("/", Int(INT_MIN), Int(-1)),
        Binary("%", Int(INT_MIN), Int(-1)),
        Binary("/", Int(5), Int(0)),
        Binary("%", Int(5), Int(0)),
        Binary("<<", Int(1), Int(33)),
        Binary("<<", Int(3), Int(-1)),
        Binary(">>", Int(-8), Int(1)),  // logical: 2147483644
        Binary(">>", Int(INT_MIN), Int(31)),
        Binary(">>", Int(-1), Int(32)),
        Binary("<", Int(INT_MAX), Int(-1)),  // the wrapping difference reads as less
        Binary(">", Int(INT_MIN), Int(1)),
        Binary("!=", Int(INT_MAX), Int(-1)),
        Binary("==", Int(INT_MIN), Int(0)),
        Binary("and", Int(5), Int(3)),  // 3, typed bool
        Binary("and", Int(0), Int(3)),
        Binary("or", Int(0), Int(-7)),
        Binary("or", Int(6), Int(0)),
        Binary("and", Float("1.5"), Float("2.5")),
        Binary("or", Float("-0.0"), Int(0)),
        Binary("and", Bool(true), Int(9)),
        // A folded `and` keeps its 3, which then differs from true.
        Binary("==", Operand{Type::Bool, "(2 and 3)", 3}, Bool(true)),
        Unary("-", Int(INT_MIN)),
        Unary("~", Int(0)),
        Unary("!", Int(INT_MIN)),
        Unary("!", Float("-0.0")),
        Unary("-", Float("0.0")),
        Binary("/", Float("1.0"), Float("-0.0")),
        Binary("/", Float("1.0"), Float("0.0")),
        Binary("%", Float("-5.5"), Float("2.0")),
        Binary("%", Float("5.5"), Float("-0.0")),
        Binary(">=", Float("-0.0"), Float("0.0")),
        Binary("==", Float("0.1"), Float("0.1")),
        Binary("==", inf, inf),  // inf - inf is NaN: equal
        Binary("<", inf, inf),
        Binary("==", notANumber, notANumber),
        Binary("!=", notANumber, Float("1.0")),
        Binary("<", notANumber, Float("1.0")),
        Binary("-", inf, inf),
        Binary("*", inf, Float("0.0")),
        Binary("+", Int(16777217), Float("0.0")),
        Binary("<", Int(16777217), Float("16777216.0")),
        Binary("==", Bool(true), Float("1.0")),
        Unary("!", notANumber),
    };
    ExpectAgreement(expressions);
}

// Random operands through every foldable operator.
TEST_F(GSFoldDifferential, RandomOperandsAgree) {
    std::mt19937 random(20261210);
    auto anyInt = [&]() -> int64_t {
        switch (random() % 4) {
            case 0: return static_cast<int32_t>(random());
            case 1: return static_cast<int32_t>(random() % 65) - 32;
            case 2: return static_cast<int32_t>(random() % 2 ? INT_MAX - random() % 4 : INT_MIN + random() % 4);
            default: return static_cast<int32_t>(random() % 2001) - 1000;
        }
    };
    auto anyFloat = [&]() {
        char text[64];
        const unsigned decimals = random() % 7;
        const double magnitude = std::ldexp(1.0, static_cast<int>(random() % 40) - 10);
        const double value = (static_cast<double>(random()) / 4294967296.0) * magnitude;
        std::snprintf(text, sizeof text, "%s%.*f", random() % 2 ? "-" : "", decimals, value);
        std::string literal = text;
        if (literal.find('.') == std::string::npos) literal += ".0";
        return Float(literal);
    };
    auto anyOperand = [&](bool floats) { return floats && random() % 2 ? anyFloat() : Int(anyInt()); };

    const std::vector<std::string> arithmetic = {"+", "-", "*", "/", "%"};
    const std::vector<std::string> integral = {"<<", ">>", "&", "^", "|"};
    const std::vector<std::string> comparisons = {"<", ">", "<=", ">=", "==", "!=", "and", "or"};
    std::vector<Expression> expressions;
    for (int round = 0; round < 12; ++round) {
        for (const std::string& op : arithmetic) expressions.push_back(Binary(op, anyOperand(true), anyOperand(true)));
        for (const std::string& op : integral) {
            const bool count = op == "<<" || op == ">>";
            expressions.push_back(Binary(op, Int(anyInt()), Int(count ? int64_t(random() % 80) - 40 : anyInt())));
        }
        for (const std::string& op : comparisons)
            expressions.push_back(Binary(op, anyOperand(true), anyOperand(true)));
        expressions.push_back(Unary("-", anyOperand(true)));
        expressions.push_back(Unary("!", anyOperand(true)));
        expressions.push_back(Unary("~", Int(anyInt())));
    }
    ExpectAgreement(expressions);
}

}  // namespace
