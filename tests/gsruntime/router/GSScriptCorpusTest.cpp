// Scripts written for this project, compiled by the compiler and run under
// the test host: each reports its results through GameObject.Exception,
// which writes "<text> (file gs.gs)" to the script log, and every script
// object is gone when the context ends.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

struct CorpusCase {
    const char* name;
    const char* members;  // the body of class Main (isclass GameObject), which has "thread void Run(void)"
    int ticks;            // ticks of 10 ms after Run starts
    std::vector<std::string> lines;
};

const CorpusCase kCorpus[] = {
    {"recursion",
     "int Fib(int n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\n"
     "public thread void Run(void) { Exception(\"fib \" + Fib(15)); }",
     1,
     {"fib 610"}},
    {"loops and arithmetic",
     "public thread void Run(void) {\n"
     "  int i; int s = 0; float f = 0.5;\n"
     "  for (i = 0; i < 100; i++) s = s + i;\n"
     "  while (s > 1000) s = s / 2;\n"
     "  Exception(\"sum \" + s + \" \" + (f * 3.0) + \" \" + (17 % 5));\n"
     "}",
     1,
     {"sum 618 1.500000 2"}},
    {"string building",
     "public thread void Run(void) {\n"
     "  string s = \"\"; int i;\n"
     "  for (i = 0; i < 10; i++) s = s + i;\n"
     "  Exception(s);\n"
     "}",
     1,
     {"0123456789"}},
    {"arrays",
     "public thread void Run(void) {\n"
     "  int[] a = new int[10]; int i; int s = 0;\n"
     "  for (i = 0; i < 10; i++) a[i] = i * i;\n"
     "  for (i = 0; i < 10; i++) s = s + a[i];\n"
     "  Exception(\"squares \" + s);\n"
     "}",
     1,
     {"squares 285"}},
    {"a delayed message to itself",
     "public thread void Run(void) {\n"
     "  Message m;\n"
     "  PostMessage(me, \"Timer\", \"Tick\", 0.05);\n"
     "  Exception(\"posted\");\n"
     "  wait() { on \"Timer\", \"Tick\", m: { Exception(\"got \" + m.major + \" \" + m.minor); break; } }\n"
     "  Exception(\"after wait\");\n"
     "}",
     10,
     {"posted", "got Timer Tick", "after wait"}},
    {"sleeping threads interleave",
     "public thread void Slow(void) { Sleep(0.05); Exception(\"slow\"); }\n"
     "public thread void Run(void) { Slow(); Sleep(0.02); Exception(\"fast\"); }",
     10,
     {"fast", "slow"}},
    {"a handler method answers a message",
     "public void OnPing(Message m) { Exception(\"handled \" + m.minor); }\n"
     "public thread void Run(void) {\n"
     "  AddHandler(me, \"Ping\", \"\", \"OnPing\");\n"
     "  PostMessage(me, \"Ping\", \"one\", 0.0);\n"
     "  PostMessage(me, \"Ping\", \"two\", 0.0);\n"
     "}",
     3,
     {"handled one", "handled two"}},
    {"string initialisers copy, as assignments do",
     "string m = \"abc\";\n"
     "string n = m;\n"
     "public thread void Run(void) {\n"
     "  string a = \"abc\";\n"
     "  string c = a;\n"
     "  string d; d = a;\n"
     "  c[0] = 'z'; d[1] = 'y'; n[2] = 'x';\n"
     "  Exception(a + \" \" + c + \" \" + d + \" \" + m + \" \" + n);\n"
     "}",
     1,
     {"abc zbc ayc abc abx"}},
};

void PrintTo(const CorpusCase& c, std::ostream* out) { *out << c.name; }

std::string Identifier(const char* text) {
    std::string name;
    for (const char* p = text; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

class ScriptCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(ScriptCorpus, RunsAndCleansUp) {
    const CorpusCase& c = GetParam();
    GSTest::TestHost host;
    const std::string source =
        std::string("include \"gs.gs\"\n\nclass Main isclass GameObject\n{\n") + c.members + "\n};\n";
    ASSERT_TRUE(host.Load("corpus_" + Identifier(c.name) + ".gs", source));
    GSRuntime::GSGameObject* main = host.Spawn("Main", "main");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(host.Call(main, "$void@Main::Run()"));
    host.Run(c.ticks, 10);
    std::vector<std::string> expected;
    for (const std::string& line : c.lines) expected.push_back(line + " (file gs.gs)");
    EXPECT_EQ(GSTest::LogCapture::Lines(), expected);
    host.EndContext();
    EXPECT_EQ(host.leftBlocks, 0);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptCorpus, ::testing::ValuesIn(kCorpus), [](const auto& info) { return Identifier(info.param.name); });

}  // namespace
