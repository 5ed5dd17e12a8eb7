// The Str and Math natives as scripts reach them: a compiled library
// declares the two static classes (so the signature texts must match what
// the compiler writes) and a class whose methods call them; the tests run
// those methods in the interpreter.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/interpreter/GSCompiledScript.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"
#include "gsruntime/natives/strmath/GSMathGenerator.h"
#include "gsruntime/natives/strmath/GSMathNatives.h"
#include "gsruntime/natives/strmath/GSStrNatives.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

const char* const kSource = R"(
static class Str
{
	public native void TrimLeft(string s, string set);
	public native void TrimRight(string s, string set);
	public native int ToInt(string s);
	public native float ToFloat(string s);
	public native void ToUpper(string s);
	public native void ToLower(string s);
	public native string[] Tokens(string s, string delimiters);
	public native int UnpackInt(string s);
	public native float UnpackFloat(string s);
	public native string UnpackString(string s);
	public native int Find(string s, string text, int start);
};

static class Math
{
	public native float Rand(float lo, float hi);
	public native int Rand(int lo, int hi);
	public native float Sqrt(float value);
};

class Probe
{
	public string TrimLeft(string s, string set) { Str.TrimLeft(s, set); return s; }
	public string TrimRight(string s, string set) { Str.TrimRight(s, set); return s; }
	public int ToInt(string s) { return Str.ToInt(s); }
	public float ToFloat(string s) { return Str.ToFloat(s); }
	public string Upper(string s) { Str.ToUpper(s); return s; }
	public string Lower(string s) { Str.ToLower(s); return s; }
	public string[] Tokens(string s, string delimiters) { return Str.Tokens(s, delimiters); }
	public int UnpackInt(string s) { return Str.UnpackInt(s); }
	public float UnpackFloat(string s) { return Str.UnpackFloat(s); }
	public string UnpackString(string s) { return Str.UnpackString(s); }
	public int Find(string s, string text, int start) { return Str.Find(s, text, start); }
	public float RandFloat(float lo, float hi) { return Math.Rand(lo, hi); }
	public int RandInt(int lo, int hi) { return Math.Rand(lo, hi); }
	public float Sqrt(float value) { return Math.Sqrt(value); }
};
)";

class GSStrMathNatives : public GSTest::InterpreterTest {
protected:
    void SetUp() override {
        GSInstallMathNatives();
        GSInstallStrNatives();
        library = GSTest::CompileAndLoad(root, OwnName("strmath.gs"), kSource);
        ASSERT_NE(library, nullptr);
        for (const std::string& line : log.Lines()) EXPECT_EQ(line.find("native"), std::string::npos) << line;
        probe = new GSObject();
        ASSERT_TRUE(probe->BindClass(library->FindClass("Probe"), context));
    }
    void TearDown() override {
        delete probe;
        for (GSDataRef s : m_held) GSScriptInstance::ReleaseReference(s);
        GSTest::InterpreterTest::TearDown();
    }

    Outcome Call(const std::string& signature, const std::vector<uint32_t>& arguments) {
        const GSFunction* function = GSTest::FindFunction(library, "Probe", signature);
        EXPECT_NE(function, nullptr) << signature;
        if (!function) return {};
        const Outcome outcome = Run(function, probe->GetReference(), arguments);
        EXPECT_EQ(outcome.code, ER_Done) << signature;
        return outcome;
    }
    // A string held by the test until it ends; null for a null text.
    GSDataRef Text(const char* text) {
        if (!text) return 0;
        m_held.push_back(NewString(text));
        return m_held.back();
    }
    // The text of a returned string, released.
    static std::string Take(GSDataRef reference) {
        const std::string text = TextOf(reference);
        GSScriptInstance::ReleaseReference(reference);
        return text;
    }

    GSLibrary* library = nullptr;
    GSObject* probe = nullptr;

private:
    std::vector<GSDataRef> m_held;
};

TEST_F(GSStrMathNatives, TrimChangesTheStringInPlace) {
    const struct {
        const char* text;
        const char* set;
        const char* left;
        const char* right;
    } cases[] = {
        {"  abc ", nullptr, "abc ", "  abc"},
        {"\t\r\n", "", "", ""},
        {"xxaxx", "x", "axx", "xxa"},
        {"", "x", "", ""},
    };
    for (const auto& c : cases) {
        const GSDataRef left = Text(c.text);
        EXPECT_EQ(Take(Call("$string@Probe::TrimLeft(string,string)", {left, Text(c.set)}).value), c.left);
        EXPECT_EQ(TextOf(left), c.left);  // the caller's own string changed
        const GSDataRef right = Text(c.text);
        EXPECT_EQ(Take(Call("$string@Probe::TrimRight(string,string)", {right, Text(c.set)}).value), c.right);
    }
    EXPECT_EQ(Call("$string@Probe::TrimLeft(string,string)", {0, 0}).value, 0u);
}

TEST_F(GSStrMathNatives, ConversionsAndCase) {
    EXPECT_EQ(Call("$int@Probe::ToInt(string)", {Text(" -42abc")}).value, static_cast<uint32_t>(-42));
    EXPECT_EQ(Call("$int@Probe::ToInt(string)", {0}).value, 0u);  // null: nothing pushed, 0
    EXPECT_EQ(GSTest::BitsFloat(Call("$float@Probe::ToFloat(string)", {Text("2.5e1 m")}).value), 25.0f);
    EXPECT_EQ(Call("$float@Probe::ToFloat(string)", {0}).value, 0u);
    EXPECT_EQ(Take(Call("$string@Probe::Upper(string)", {Text("Mixed 9\xE9")}).value), "MIXED 9\xE9");
    EXPECT_EQ(Take(Call("$string@Probe::Lower(string)", {Text("Mixed 9\xC9")}).value), "mixed 9\xC9");
    EXPECT_EQ(Call("$string@Probe::Upper(string)", {0}).value, 0u);
}

TEST_F(GSStrMathNatives, TokensSplitWithoutEmptyTokens) {
    const struct {
        const char* text;
        const char* delimiters;
        std::vector<std::string> tokens;
    } cases[] = {
        {" a  bc\td ", nullptr, {"a", "bc", "d"}},
        {"a,,b;c", ",;", {"a", "b", "c"}},
        {",,,", ",", {}},
        {nullptr, ",", {}},
    };
    for (const auto& c : cases) {
        const GSDataRef text = Text(c.text);
        const Outcome outcome = Call("$string[]@Probe::Tokens(string,string)", {text, Text(c.delimiters)});
        const GSArray* array = GSArray::FromReference(outcome.value);
        ASSERT_NE(array, nullptr);
        EXPECT_TRUE(array->ElementsAreReferences());
        std::vector<std::string> tokens;
        for (int32_t i = 0; i < array->GetCount(); ++i) {
            tokens.push_back(TextOf(array->Elements()[i]));
            EXPECT_EQ(GSTest::CountOf(array->Elements()[i]), 1);
        }
        EXPECT_EQ(tokens, c.tokens);
        if (c.text) {
            EXPECT_EQ(TextOf(text), c.text);  // unchanged
        }
        GSScriptInstance::ReleaseReference(outcome.value);
    }
}

TEST_F(GSStrMathNatives, UnpackTakesTokensOffTheFront) {
    const GSDataRef numbers = Text(" 12 34");
    EXPECT_EQ(Call("$int@Probe::UnpackInt(string)", {numbers}).value, 12u);
    EXPECT_EQ(TextOf(numbers), " 34");
    EXPECT_EQ(Call("$int@Probe::UnpackInt(string)", {numbers}).value, 34u);
    EXPECT_EQ(TextOf(numbers), "");
    EXPECT_EQ(Call("$int@Probe::UnpackInt(string)", {numbers}).value, 0u);  // empty: nothing pushed

    const GSDataRef floats = Text("1.25 x");
    EXPECT_EQ(GSTest::BitsFloat(Call("$float@Probe::UnpackFloat(string)", {floats}).value), 1.25f);
    EXPECT_EQ(TextOf(floats), " x");

    const GSDataRef word = Text("word");
    EXPECT_EQ(Take(Call("$string@Probe::UnpackString(string)", {word}).value), "word");
    EXPECT_EQ(TextOf(word), "");
    EXPECT_EQ(Call("$string@Probe::UnpackString(string)", {word}).value, 0u);
    EXPECT_EQ(Call("$string@Probe::UnpackString(string)", {0}).value, 0u);
    const GSDataRef blanks = Text("  \t");
    EXPECT_EQ(Take(Call("$string@Probe::UnpackString(string)", {blanks}).value), "");
    EXPECT_EQ(TextOf(blanks), "");
}

TEST_F(GSStrMathNatives, FindSearchesFromAStartInsideTheText) {
    const GSDataRef hello = Text("hello");
    const GSDataRef l = Text("l");
    const struct {
        GSDataRef text, wanted;
        int32_t start, result;
    } cases[] = {
        {hello, l, 0, 2},  {hello, l, 3, 3},   {hello, l, 4, -1}, {hello, l, 5, -1},
        {hello, l, 6, -1}, {hello, l, -1, -1}, {0, l, 0, -1},     {hello, 0, 0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            static_cast<int32_t>(
                Call("$int@Probe::Find(string,string,int)", {c.text, c.wanted, static_cast<uint32_t>(c.start)}).value),
            c.result)
            << c.start;
    }
    // A start equal to the length is still searched: the empty text is
    // found there.
    EXPECT_EQ(Call("$int@Probe::Find(string,string,int)", {hello, Text(""), 5}).value, 5u);
}

TEST_F(GSStrMathNatives, RandomNumbersAndSquareRoots) {
    GSMathGenerator::SetState(1);
    // Draw 31415822 % 65535: lo + r * k * (hi - lo).
    const int32_t r = 31415822 % 65535;
    EXPECT_EQ(
        GSTest::BitsFloat(
            Call("$float@Probe::RandFloat(float,float)", {GSTest::FloatBits(0.0f), GSTest::FloatBits(10.0f)}).value),
        GSMathRandFloatValue(0.0f, 10.0f, r));
    EXPECT_EQ(GSMathGenerator::State(), 31415822);
    EXPECT_EQ(Call("$int@Probe::RandInt(int,int)", {5, 5}).value, 5u);
    for (int i = 0; i < 200; ++i) {
        const int32_t value = static_cast<int32_t>(Call("$int@Probe::RandInt(int,int)", {3, 7}).value);
        EXPECT_GE(value, 3);
        EXPECT_LE(value, 6);
    }
    EXPECT_EQ(GSTest::BitsFloat(Call("$float@Probe::Sqrt(float)", {GSTest::FloatBits(6.25f)}).value), 2.5f);
    EXPECT_TRUE(std::isnan(GSTest::BitsFloat(Call("$float@Probe::Sqrt(float)", {GSTest::FloatBits(-1.0f)}).value)));
}

}  // namespace
