#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "foundation/text/CRC32.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/GSLanguageDocument.h"
#include "gscompiler/IncludePath.h"
#include "gscompiler/ScriptEncrypt.h"
#include "gscompiler/support/GSTestSupport.h"
#include "support/TempDir.h"

namespace {

using GSTest::Messages;

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

// True when the file holds a library image: its length word and magic.
bool IsLibrary(const std::string& path) {
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 24) return false;
    uint32_t length = 0;
    uint32_t magic = 0;
    std::memcpy(&length, bytes.data(), 4);
    std::memcpy(&magic, bytes.data() + 4, 4);
    return length == bytes.size() && magic == 0xF762575D;
}

// A source that parses and checks but whose code cannot be generated: its
// messages are the generator's own.
const char* const kDuplicateCase =
    "class A {\n  void f(int i) {\n    switch (i) { case 1: break; case 1: break; default: break; }\n  }\n};\n";
const std::vector<std::string> kDuplicateCaseMessages = {"a.gs(3) : case has duplicate value, line 3",
                                                         "\nInternal Code Generation Error..."};

// Runs GSCompilerMain with the arguments after the program name and returns
// what it printed.
struct Invocation {
    int result = -1;
    std::string out;
    explicit Invocation(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "gsc");
        std::vector<char*> argv;
        for (auto& a : arguments) argv.push_back(a.data());
        ::testing::internal::CaptureStdout();
        result = GSCompilerMain(int(argv.size()), argv.data());
        out = ::testing::internal::GetCapturedStdout();
    }
};

class CompilerDriverTest : public ::testing::Test {
protected:
    void TearDown() override { ClearIncludePaths(IncludePaths()); }

    std::string Path(const std::string& name) const { return dir / name; }

    // Compiles `name` from the temporary folder with a context kept for
    // inspection.
    int Compile(GSCompileContext& context, const std::string& name, GSCompileLog& log) {
        ClearIncludePaths(IncludePaths());
        IncludePaths().AddTail(new IncludePath(Vek::File::Path(dir.Path()), Vek::PString()));
        return context.Compile(name.c_str(), &log);
    }

    // The dependents registered in a compile: name -> index.
    static std::map<std::string, int> Dependents(GSCompileContext& context) {
        std::map<std::string, int> out;
        Utils::IHashTable::Iterator it;
        for (context.symbols.globalTable.Begin(it); !it.IsEnd(); it.Next()) {
            auto* symbol = static_cast<GSCompiler::GSSymbol*>(it.Node());
            if (symbol->kind == GSCompiler::GSSymbol::kDependent) out[symbol->name] = symbol->ownIndex;
        }
        return out;
    }

    VorlexTest::TempDir dir;
};

TEST_F(CompilerDriverTest, UsageWithoutASource) {
    const std::string usage =
        "KELMO GameScript Compiler V1.02\n\n"
        "gsc returns number of compile errors\n"
        "gsc <option> <option>..\nwhere <option> is one of the following\n\n"
        "<-d> print documentation, u might wanna pipe it to a text document =)\n"
        "<-s> silent\n"
        "<-bfilename> dump the build info (compile log) to file\n"
        "<-ppathname> output path\n"
        "<-ofilename> output library filename\n"
        "<filename> input source file\n"
        "<-ipathname> additional include path\n";
    for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {"-s", "-ifoo"}, {""}, {"-oout.gsl"}}) {
        Invocation run(arguments);
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.out, usage);
    }
}

TEST_F(CompilerDriverTest, DocumentOptionPrintsOnlyTheDocument) {
    WriteFile(Path("a.gs"), "class A { };");
    Invocation run({Path("a.gs"), "-d", "-s", "also ignored"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, std::string(GSLanguageDocument()) + "\n");
    // Every keyword is explained in it.
    for (const char* keyword : {"break", "case", "continue", "default", "else", "for", "goto", "if", "null", "return",
                                "switch", "while", "and", "or", "true", "false", "void", "bool", "int", "float",
                                "string", "object", "class", "include", "define", "static", "public", "native",
                                "final", "thread", "game", "secured", "size", "isclass", "copy", "me", "new", "cast",
                                "wait", "on"}) {
        EXPECT_NE(run.out.find("\n" + std::string(keyword) + ":\n"), std::string::npos) << keyword;
    }
    for (const char* chapter : {"1.0 Introduction", "2.10 Grammar", "3.1 Switches", "6.1 Runtime stack",
                                "9.0 Using the language"})
        EXPECT_NE(run.out.find(chapter), std::string::npos) << chapter;
    for (char c : run.out) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST_F(CompilerDriverTest, TheLastSourceIsCompiledAndUnknownOptionsAreIgnored) {
    WriteFile(Path("first.gs"), "class A { };");
    WriteFile(Path("second.gs"), "class B { };");
    Invocation run({Path("first.gs"), "-o", "-x", Path("second.gs")});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(IsLibrary(Path("second.gsl")));
    EXPECT_FALSE(Exists(Path("first.gsl")));
}

TEST_F(CompilerDriverTest, SyntaxErrorsAreCountedAndNamed) {
    WriteFile(Path("bad.gs"), "class A {\n  int x\n};\n");
    Invocation run({Path("bad.gs")});
    EXPECT_EQ(run.result, 1);  // a failed parse counts once
    EXPECT_EQ(run.out, "bad.gs(3) : parse error, line 3\n.. while compiling 'bad.gs'\n");
}

TEST_F(CompilerDriverTest, SilentWithABuildLogAppendsToTheFileOnly) {
    WriteFile(Path("a.gs"), kDuplicateCase);
    WriteFile(Path("build.log"), "earlier\n");
    const std::string messages = kDuplicateCaseMessages[0] + "\n" + kDuplicateCaseMessages[1] + "\n";
    Invocation run({"-s", "-b" + Path("build.log"), Path("a.gs")});
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(Path("build.log")), "earlier\n" + messages);
    Invocation again({"-b" + Path("new.log"), Path("a.gs")});
    EXPECT_EQ(again.out, messages);
    EXPECT_EQ(ReadFile(Path("new.log")), messages);
    EXPECT_FALSE(Exists(Path("a.gsl")));
}

TEST_F(CompilerDriverTest, MissingSourcesAndTheByteOrderMark) {
    Invocation missing({Path("nothere.gs")});
    EXPECT_EQ(missing.result, 1);
    EXPECT_EQ(missing.out, "Could not read file  : nothere.gs.\n.. while compiling 'nothere.gs'\n");

    WriteFile(Path("bom.gs"), "\xEF\xBB\xBF" "class A { };");
    Invocation bom({Path("bom.gs")});
    EXPECT_EQ(bom.result, 1);
    EXPECT_EQ(bom.out, "'bom.gs' appears to be UTF-8 encoded, please resave as ANSI.\n.. while compiling 'bom.gs'\n");

    // UTF-8 without the mark is read as bytes (here inside a string).
    WriteFile(Path("utf8.gs"), "class A { string s = \"\xC3\xA9\"; };");
    EXPECT_EQ(Invocation({Path("utf8.gs")}).out, "");
    EXPECT_NE(ReadFile(Path("utf8.gsl")).find("\xC3\xA9"), std::string::npos);
}

TEST_F(CompilerDriverTest, PackedSourcesAreFoundForTheirGsName) {
    WriteFile(Path("hidden.gs"), "class Hidden { };");
    std::string error;
    ASSERT_TRUE(EncryptScriptSource(Path("hidden.gs").c_str(), error));
    std::remove(Path("hidden.gs").c_str());
    EXPECT_EQ(Invocation({Path("hidden.gs")}).out, "");
    EXPECT_TRUE(IsLibrary(Path("hidden.gsl")));
    std::remove(Path("hidden.gsl").c_str());
    // A name given with "gse" is searched as "gs" first, then its twin.
    EXPECT_EQ(Invocation({Path("hidden.gse")}).out, "");
    EXPECT_TRUE(IsLibrary(Path("hidden.gsl")));
    // An upper-case name keeps its 'E' and is looked up as written, lower-cased.
    EXPECT_EQ(Invocation({Path("HIDDEN.GSE")}).out, "");
    EXPECT_TRUE(IsLibrary(Path("HIDDEN.gsl")));
}

TEST_F(CompilerDriverTest, TwinsAndLineEndVariantsGiveTheSameIds) {
    const std::string lf = "class Same {\n  int x;\n};\n";
    WriteFile(Path("lf.gs"), lf);
    WriteFile(Path("crlf.gs"), "class Same {\r\n  int x;\r\n};\r\n");
    WriteFile(Path("packed.gs"), lf);
    std::string error;
    ASSERT_TRUE(EncryptScriptSource(Path("packed.gs").c_str(), error));
    std::remove(Path("packed.gs").c_str());

    for (const char* name : {"lf.gs", "crlf.gs", "packed.gs", "CrLf.gs"}) {
        SCOPED_TRACE(name);
        GSCompileContext context;
        GSCompileLog log;
        EXPECT_EQ(Compile(context, name, log), 0);
        EXPECT_EQ(context.mainUnit.sourceId, ComputeCRC32(lf.data(), lf.size()));
        std::string lower = name;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(context.mainUnit.nameId, ComputeCRC32(lower.data(), lower.size()));
        EXPECT_EQ(Dependents(context), (std::map<std::string, int>{{lower, 0}}));
    }
}

TEST_F(CompilerDriverTest, IncludeGraphsCompileEachFileOnce) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> files;
        std::map<std::string, int> dependents;
    };
    const std::vector<Case> cases = {
        {"self", {{"main.gs", "include \"MAIN.GS\"\nclass M { };"}}, {{"main.gs", 0}}},
        {"mutual",
         {{"main.gs", "include \"b.gs\"\nclass M { };"}, {"b.gs", "include \"main.gs\"\nclass B { };"}},
         {{"main.gs", 0}, {"b.gs", 1}}},
        {"diamond",
         {{"main.gs", "include \"b.gs\"\ninclude \"c.gs\"\nclass M { };"},
          {"b.gs", "include \"d.gs\"\nclass B { };"},
          {"c.gs", "include \"d.gs\"\nclass C { };"},
          {"d.gs", "class D { };"}},
         {{"main.gs", 0}, {"b.gs", 1}, {"d.gs", 2}, {"c.gs", 3}}},
        {"named twice", {{"main.gs", "include \"d.gs\"\ninclude \"D.gs\"\nclass M { };"}, {"d.gs", "class D { };"}},
         {{"main.gs", 0}, {"d.gs", 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VorlexTest::TempDir folder;
        for (const auto& [name, text] : c.files) WriteFile(folder / name, text);
        ClearIncludePaths(IncludePaths());
        IncludePaths().AddTail(new IncludePath(Vek::File::Path(folder.Path()), Vek::PString()));
        GSCompileContext context;
        GSCompileLog log;
        EXPECT_EQ(context.Compile("Main.gs", &log), 0);
        EXPECT_EQ(Messages(log), std::vector<std::string>{});
        EXPECT_EQ(Dependents(context), c.dependents);
    }
}

TEST_F(CompilerDriverTest, FailingIncludesAreTracedLevelByLevel) {
    WriteFile(Path("main.gs"), "include \"mid.gs\"\nclass M { };");
    WriteFile(Path("mid.gs"), "include \"leaf.gs\"\ninclude \"gone.gs\"\nclass Mid { };");
    WriteFile(Path("leaf.gs"), "class Leaf {\n int\n};");
    GSCompileContext context;
    GSCompileLog log;
    EXPECT_EQ(Compile(context, "main.gs", log), 2);  // one for each failed include
    EXPECT_EQ(Messages(log), (std::vector<std::string>{
                                 "leaf.gs(3) : parse error, line 3",
                                 ".. while compiling 'leaf.gs'",
                                 "Could not read file  : gone.gs.",
                                 ".. while compiling 'gone.gs'",
                                 ".. while compiling 'mid.gs'",
                                 ".. while compiling 'main.gs'",
                             }));
}

TEST_F(CompilerDriverTest, IncludeFoldersAreSearchedInOrder) {
    VorlexTest::TempDir first, second;
    WriteFile(Path("main.gs"), "include \"lib.gs\"\ninclude \"Other.GS\"\nclass M { };");
    WriteFile(first / "lib.gs", "class FromFirst { };");
    WriteFile(second / "lib.gs", "class FromSecond {");  // never read: the first folder wins
    WriteFile(second / "Other.gs", "class Other { };");  // found without regard to case
    Invocation run({"-i" + first.Path(), "-i" + second.Path(), Path("main.gs")});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, "");
    // The source's own folder comes before the "-i" folders.
    WriteFile(Path("lib.gs"), "class Local {");
    EXPECT_EQ(Invocation({"-i" + first.Path(), "-i" + second.Path(), Path("main.gs")}).result, 1);
}

TEST_F(CompilerDriverTest, MessagesAreCutAt255Characters) {
    const std::string longName(400, 'n');
    WriteFile(Path("main.gs"), "include \"" + longName + ".gs\"\nclass M { };");
    GSCompileContext context;
    GSCompileLog log;
    Compile(context, "main.gs", log);
    ASSERT_GE(log.Count(), 1);
    const std::string first = log.At(0);
    EXPECT_EQ(first.size(), 255u);
    EXPECT_EQ(first.substr(0, 25), "Could not read file  : nn");
}

TEST_F(CompilerDriverTest, CompileScriptToFileUsesTheIncludeListAsItIs) {
    GSCompileLog log;
    EXPECT_EQ(CompileScriptToFile(&log, nullptr, nullptr), 0);
    EXPECT_EQ(log.Count(), 0);
    WriteFile(Path("x.gs"), "class X { };");
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(dir.Path()), Vek::PString()));
    EXPECT_EQ(CompileScriptToFile(&log, "x.gs", (dir / "out.lib").c_str()), 0);
    EXPECT_EQ(log.Count(), 0);
    EXPECT_TRUE(IsLibrary(Path("out.lib")));
    // Without an output path the source is compiled and nothing is written.
    EXPECT_EQ(CompileScriptToFile(nullptr, "x.gs", nullptr), 0);
    EXPECT_FALSE(Exists(Path("x.gsl")));
}

TEST_F(CompilerDriverTest, OutputGoesBesideTheSourceOrIntoThePFolder) {
    VorlexTest::TempDir out;
    WriteFile(Path("lib.gs"), "class L { };");
    EXPECT_EQ(Invocation({Path("lib.gs")}).result, 0);
    EXPECT_TRUE(IsLibrary(Path("lib.gsl")));
    // "-p" loses its last element as the source path does: a folder is
    // given with a trailing separator.
    EXPECT_EQ(Invocation({"-p" + out.Path() + "/", Path("lib.gs")}).result, 0);
    EXPECT_TRUE(IsLibrary(out / "lib.gsl"));
    EXPECT_EQ(Invocation({"-p" + (out / "ignored"), Path("lib.gs")}).result, 0);
    EXPECT_TRUE(IsLibrary(out / "lib.gsl"));
    // A packed source gives the library of its plain name.
    std::string error;
    WriteFile(Path("packed.gs"), "class P { };");
    ASSERT_TRUE(EncryptScriptSource(Path("packed.gs").c_str(), error));
    std::remove(Path("packed.gs").c_str());
    EXPECT_EQ(Invocation({"-p" + out.Path() + "/", Path("packed.gse")}).result, 0);
    EXPECT_TRUE(IsLibrary(out / "packed.gsl"));
}

TEST_F(CompilerDriverTest, FailuresLeaveTheEarlierLibraryInPlace) {
    WriteFile(Path("a.gs"), "class A { int x = 1; };");
    ASSERT_EQ(Invocation({Path("a.gs")}).result, 0);
    const std::string first = ReadFile(Path("a.gsl"));
    ASSERT_TRUE(IsLibrary(Path("a.gsl")));

    // A successful compile replaces it, through a temporary file that does
    // not stay behind.
    WriteFile(Path("a.gs"), "class A { int x = 2; };");
    ASSERT_EQ(Invocation({Path("a.gs")}).result, 0);
    EXPECT_NE(ReadFile(Path("a.gsl")), first);
    EXPECT_FALSE(Exists(Path("a.gsl.tmp")));
    EXPECT_FALSE(Exists(Path("a.gsl.old")));
    const std::string second = ReadFile(Path("a.gsl"));

    // Compile errors, generation errors and an unwritable folder leave it.
    WriteFile(Path("a.gs"), "class A { int x = 3 };");
    EXPECT_EQ(Invocation({Path("a.gs")}).result, 1);
    WriteFile(Path("a.gs"), kDuplicateCase);
    Invocation generation({Path("a.gs")});
    EXPECT_EQ(generation.result, 1);
    EXPECT_EQ(generation.out, kDuplicateCaseMessages[0] + "\n" + kDuplicateCaseMessages[1] + "\n");
    EXPECT_EQ(ReadFile(Path("a.gsl")), second);

    WriteFile(Path("a.gs"), "class A { int x = 4; };");
    Invocation missingFolder({"-p" + (dir / "no/such/") , Path("a.gs")});
    EXPECT_EQ(missingFolder.result, 1);
    EXPECT_EQ(missingFolder.out, "Unable to open output file.\n\n");
    GSCompileLog log;
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(dir.Path()), Vek::PString()));
    const std::string folderInTheWay = Path("taken.gsl");
    std::filesystem::create_directory(folderInTheWay);
    EXPECT_EQ(CompileScriptToFile(&log, "a.gs", folderInTheWay.c_str()), 1);
    EXPECT_EQ(Messages(log), std::vector<std::string>{"Unable to open output file: '" + folderInTheWay + "'.\n"});
    EXPECT_EQ(ReadFile(Path("a.gsl")), second);
}

// Slot numbers are 16-bit operands that the library widens with sign: a
// frame (arguments, locals, temporaries, header) or a class (members,
// functions) that needs a slot of 32768 or more is a compile error and no
// library is written, never a slot number cut short.
TEST_F(CompilerDriverTest, SlotsThatDoNotFitAreErrors) {
    // `count` locals declared one per line, then `body`.
    auto locals = [](int count, const std::string& body) {
        std::string s = "class M { public int x; };\nclass A {\n  M m;\n  void f(void) {\n";
        for (int i = 0; i < count; ++i) s += "    int v" + std::to_string(i) + ";\n";
        return s + "    " + body + "\n  }\n};\n";
    };
    auto members = [](int count) {
        std::string s = "class A {\n";
        for (int i = 0; i < count; ++i) s += "  int m" + std::to_string(i) + ";\n";
        return s + "  void f(void) { m" + std::to_string(count - 1) + " = 7; }\n};\n";
    };
    // `me`, the locals and the four header words: 32763 locals fill the
    // 32768 slots exactly.
    const struct {
        const char* name;
        std::string source;
        const char* message;  // empty when the source compiles
    } cases[] = {
        {"locals far past the limit", locals(65600, "v65599 = 7;"), "function A::f() needs 65605 frame slots"},
        {"locals up to the limit", locals(32763, "v32762 = 7;"), ""},
        {"one local more", locals(32764, "v32763 = 7;"), "function A::f() needs 32769 frame slots"},
        {"a temporary past the limit", locals(32763, "v0 = m.x++;"), "function A::f() needs 32769 frame slots"},
        {"members up to the limit", members(32766), ""},
        {"one member more", members(32767), "class A needs more than 32768 member slots"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(Path("a.gsl"));
        WriteFile(Path("a.gs"), c.source);
        Invocation run({Path("a.gs")});
        if (!*c.message) {
            EXPECT_EQ(run.result, 0) << c.name << run.out.substr(0, 400);
            EXPECT_TRUE(IsLibrary(Path("a.gsl"))) << c.name;
            continue;
        }
        EXPECT_EQ(run.result, 1) << c.name;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << c.name << ": " << run.out.substr(0, 400);
        EXPECT_FALSE(Exists(Path("a.gsl"))) << c.name;
    }
}

// Each class is checked and generated as soon as it is parsed; what the
// compile reports is still what a whole-file parse, one check of every class
// and then generation gave.
TEST_F(CompilerDriverTest, ClassesCheckedWhileParsingReportAsAfterTheWholeParse) {
    auto checkError = [](const std::string& name) { return "class " + name + " {\n  void f(void) { g(); }\n};\n"; };
    const std::string clean = "class C {\n  int f(int i) { return i + 1; }\n};\n";
    const struct {
        const char* name;
        std::string main;
        std::string include;  // "b.gs", which the main file includes when not empty
        int result;
        std::vector<std::string> messages;
    } cases[] = {
        {"a check error before a syntax error", checkError("A") + clean + "class B {\n  int x\n};\n", "", 1,
         {"a.gs(9) : parse error, line 9", ".. while compiling 'a.gs'"}},
        {"a failing include before a syntax error", "include \"b.gs\"\n" + clean + "class B {", "class I {", 1,
         {"a.gs(5) : parse error, line 5", ".. while compiling 'a.gs'"}},
        {"check errors of two classes", checkError("A") + clean + checkError("B"), "", 2,
         {"a.gs(2) : function g not declared, line 2.", "a.gs(8) : function g not declared, line 8.",
          ".. while compiling 'a.gs'"}},
        {"a generation error before a check error", std::string(kDuplicateCase) + clean + checkError("B"), "", 1,
         {"a.gs(10) : function g not declared, line 10.", ".. while compiling 'a.gs'"}},
        {"a generation error before a clean class", std::string(kDuplicateCase) + clean, "", 1,
         {"a.gs(3) : case has duplicate value, line 3", "\nInternal Code Generation Error..."}},
        {"a failing include", "include \"b.gs\"\n" + checkError("A"), "class I {", 1,
         {"b.gs(1) : parse error, line 1", ".. while compiling 'b.gs'", ".. while compiling 'a.gs'"}},
    };
    for (const auto& c : cases) {
        WriteFile(Path("a.gs"), c.main);
        WriteFile(Path("b.gs"), c.include);
        GSCompileContext context;
        GSCompileLog log;
        EXPECT_EQ(Compile(context, "a.gs", log), c.result) << c.name;
        EXPECT_EQ(Messages(log), c.messages) << c.name;
    }
}

TEST_F(CompilerDriverTest, TheExampleScriptsCompile) {
    const std::string folder = std::string(VORLEX_SOURCE_DIR) + "/examples/scripts";
    for (const char* name : {"timetable.gs", "station.gs"}) {
        SCOPED_TRACE(name);
        // The libraries go to a folder of the test's own, not the sources'.
        Invocation run({"-i" + folder, "-p" + dir.Path() + "/", folder + "/" + name});
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.out, "");
        std::string library = name;
        library.replace(library.size() - 3, 3, ".gsl");
        EXPECT_TRUE(IsLibrary(Path(library)));
    }
}

}  // namespace
