// HTML buffers: escaping and line breaks, growth and read-out directly,
// and the natives with HTMLBufferStatic::Construct from a probe script.
#include <gtest/gtest.h>

#include <string>

#include "gsnatives/GSOHTMLBuffer.h"
#include "gsnatives/HTMLBuffer.h"
#include "gsnatives/support/NativeScriptHost.h"
#include "gsruntime/GSScriptMemoryBudget.h"

namespace {

using GSNatives::HTMLBuffer;
using GSNativesTest::NativeScriptHost;

std::string Escaped(const char* text) {
    HTMLBuffer buffer;
    buffer.AppendEscaped(text);
    return buffer.ToPString().c_str();
}

TEST(HTMLBufferText, EscapesMarkupAndTurnsEachLineBreakIntoOneBr) {
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        {"a<b & c>d", "a&lt;b &amp; c&gt;d"},
        {"1\r\n2\n\r3\r4\n5", "1<br>2<br>3<br>4<br>5"},
        {"\n\n", "<br><br>"},
        {"\r\n\r\n", "<br><br>"},
        {"\"quoted\" 'too'", "\"quoted\" 'too'"},
        {"&amp;", "&amp;amp;"},
        {"plain", "plain"},
        {"<", "&lt;"},
    };
    for (const Case& c : cases) EXPECT_EQ(Escaped(c.text), c.escaped) << c.text;
}

TEST(HTMLBufferText, EmptinessGrowthAndReadOut) {
    HTMLBuffer buffer;
    EXPECT_TRUE(buffer.IsEmpty());
    buffer.AppendEscaped("");
    buffer.AppendEscaped(nullptr);
    buffer.Append("x", 0);
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.ToPString(), Vek::PString());

    // Append alone does not make the buffer non-empty; the size grows to
    // n + 2s whenever n pending bytes do not fit.
    buffer.Append("abcd", 4);
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.Size(), 4u);
    buffer.Append("ef", 2);
    EXPECT_EQ(buffer.Size(), 10u);
    buffer.Append("gh", 2);
    EXPECT_EQ(buffer.Size(), 10u);
    EXPECT_EQ(std::string(buffer.ToPString().c_str()), "abcdefgh");

    // The read-out stops at a NUL byte.
    buffer.Append("i\0j", 3);
    EXPECT_EQ(std::string(buffer.ToPString().c_str()), "abcdefghi");

    buffer.Clear();
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.ToPString(), Vek::PString());
    buffer.AppendEscaped("<");
    EXPECT_FALSE(buffer.IsEmpty());
    EXPECT_EQ(std::string(buffer.ToPString().c_str()), "&lt;");
}

// The storage is charged to the script memory budget: growth it refuses
// drops the append and leaves the text as it was; the destructor gives the
// storage back.
TEST(HTMLBufferText, GrowthBeyondTheScriptMemoryBudgetIsDropped) {
    using GSRuntime::GSScriptMemoryBudget;
    const uint64_t before = GSScriptMemoryBudget::Used();
    {
        HTMLBuffer buffer;
        buffer.Append("abcd", 4);
        EXPECT_EQ(GSScriptMemoryBudget::Used(), before + 4);
        GSScriptMemoryBudget::SetLimit(before + 4);
        buffer.Append("ef", 2);
        EXPECT_EQ(std::string(buffer.ToPString().c_str()), "abcd");
        EXPECT_EQ(buffer.Size(), 4u);
        EXPECT_EQ(GSScriptMemoryBudget::Used(), before + 4);
        GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
        buffer.Append("ef", 2);
        EXPECT_EQ(std::string(buffer.ToPString().c_str()), "abcdef");
        EXPECT_EQ(GSScriptMemoryBudget::Used(), before + 10);
    }
    EXPECT_EQ(GSScriptMemoryBudget::Used(), before);
}

const char* const kProbe = R"(include "HTMLBuffer.gs"

class Probe isclass GameObject
{
	HTMLBuffer buffer;

	public bool Make(void) { buffer = HTMLBufferStatic.Construct(); return buffer != null; }
	public void Print(string s) { buffer.Print(s); }
	public void Escape(string s) { buffer.Escape(s); }
	public void Clear(void) { buffer.Clear(); }
	public bool IsEmpty(void) { return buffer.IsEmpty(); }
	public string Text(void) { return buffer.AsString(); }
};
)";

class HTMLBufferNatives : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start(kProbe));
        ASSERT_TRUE(host.Call("$bool@Probe::Make()"));
    }
    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
    }
    void Run(const char* signature, const char* text) { host.Call(signature, {text ? host.Text(text) : 0}); }
    bool IsEmpty() { return host.Call("$bool@Probe::IsEmpty()") != 0; }

    NativeScriptHost host;
};

TEST_F(HTMLBufferNatives, PrintAppendsAsItIsAndEscapeEscapes) {
    EXPECT_TRUE(IsEmpty());
    for (const char* text : {"", static_cast<const char*>(nullptr)}) {
        Run("$void@Probe::Print(string)", text);
        Run("$void@Probe::Escape(string)", text);
    }
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(host.CallText("$string@Probe::Text()"), "");

    Run("$void@Probe::Print(string)", "<b>");
    EXPECT_FALSE(IsEmpty());
    Run("$void@Probe::Escape(string)", "a<b\r\nc");
    EXPECT_EQ(host.CallText("$string@Probe::Text()"), "<b>a&lt;b<br>c");
    // Reading does not change the buffer.
    EXPECT_EQ(host.CallText("$string@Probe::Text()"), "<b>a&lt;b<br>c");

    host.Call("$void@Probe::Clear()");
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(host.CallText("$string@Probe::Text()"), "");
}

}  // namespace
