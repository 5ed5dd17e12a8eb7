// The library writer's sections: strings, imports and dependents, class
// chunks with their function tables, virtual tables and instance layouts,
// and the failures that leave no image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/containers/GSLibraryBuffer.h"
#include "foundation/text/CRC32.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/libsupport/GSCheckedBuild.h"
#include "gscompiler/support/GSTestSupport.h"
#include "gscompiler/library/GSLibraryWriter.h"

namespace {

using GSTest::LibraryImage;
using Rows = std::vector<std::pair<std::string, uint32_t>>;

class LibraryWriter : public GSTest::CheckedBuildTest {
protected:
    // The virtual table of a class as {signature, view offset}.
    static Rows VirtualTable(const LibraryImage& library, const std::string& className) {
        Rows rows;
        const GSTest::ImageClass* cls = library.Class(className);
        if (!cls) return rows;
        for (const auto& [function, offset] : cls->vtable)
            rows.push_back({library.String(library.functionImports.at(function).signature), offset});
        return rows;
    }
    // The base rows of a class as {class name, data offset}, with the
    // direct flag in `direct`.
    static Rows Bases(const LibraryImage& library, const std::string& className, std::vector<uint32_t>& direct) {
        Rows rows;
        direct.clear();
        const GSTest::ImageClass* cls = library.Class(className);
        if (!cls) return rows;
        for (const GSTest::ImageBase& base : cls->bases) {
            rows.push_back({library.String(library.classImports.at(base.classIndex).second), base.dataOffset});
            direct.push_back(base.direct);
        }
        return rows;
    }
    static uint32_t BucketOf(const std::string& text) {
        uint32_t h = 0;
        for (char c : text) h = h * 3u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
        return h % 61;
    }
};

TEST_F(LibraryWriter, StringsAreSharedAndStoredInHashOrder) {
    auto compiled = Build(
        "class Words {\n"
        "  string a = \"zebra\"; string b = \"apple\"; string c = \"zebra\";\n"
        "  string Pick(int i) { if (i) return \"apple\"; return \"mango\"; }\n"
        "};\n");
    const LibraryImage& library = compiled->library;
    // Each text once.
    std::set<std::string> unique(library.strings.begin(), library.strings.end());
    EXPECT_EQ(unique.size(), library.strings.size());
    EXPECT_EQ(std::count(library.strings.begin(), library.strings.end(), "zebra"), 1);
    // The two "zebra" members push the same index.
    const auto init = compiled->Listing("Words", "::Words()");
    EXPECT_EQ(std::count(init.begin(), init.end(), "PushString \"zebra\""), 2);

    // The texts lie in hash-bucket order (each bucket in byte order) while
    // the offsets stay in index order.
    const GSTest::ImageFunction* pick = compiled->Function("Words", "$string@Words::Pick(int)");
    ASSERT_NE(pick, nullptr);
    std::vector<std::pair<std::size_t, std::string>> stored;  // {position in the image, text}
    const std::string image(compiled->image.begin(), compiled->image.end());
    for (const std::string& text : library.strings) stored.push_back({image.find(std::string(1, '\0') + text + '\0'), text});
    std::sort(stored.begin(), stored.end());
    std::vector<std::string> physical;
    for (const auto& entry : stored) physical.push_back(entry.second);
    std::vector<std::string> expected = library.strings;
    std::sort(expected.begin(), expected.end(), [](const std::string& x, const std::string& y) {
        return BucketOf(x) != BucketOf(y) ? BucketOf(x) < BucketOf(y) : x < y;
    });
    EXPECT_EQ(physical, expected);
    EXPECT_NE(physical, library.strings);  // not the index order here
}

TEST_F(LibraryWriter, AnEmptyStringTableIsTwelveBytes) {
    GSCompileContext context;
    GSLibraryBuffer out;
    out.Init(64);
    ASSERT_TRUE(GSLibraryWriter::WriteStrings(out, context));
    ASSERT_EQ(out.Length(), 12u);
    uint32_t words[3];
    std::memcpy(words, out.Data(), sizeof words);
    EXPECT_EQ(words[0], 12u);
    EXPECT_EQ(words[1], 3u);
    EXPECT_EQ(words[2], 0u);
}

TEST_F(LibraryWriter, FunctionRecords) {
    auto compiled = Build(
        "game class G {\n"
        "  public final int Count(int a, string s) { return a; }\n"
        "  native void Tick(float f);\n"
        "  thread void Run() { }\n"
        "};\n"
        "static final secured class Empty { };\n");
    const GSTest::ImageClass* empty = compiled->library.Class("Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->flags, 0x4u | 0x8u | 0x100u);
    // A class without functions: only its initialisation, without code.
    ASSERT_EQ(empty->functions.size(), 1u);
    EXPECT_EQ(compiled->library.String(empty->functions[0].signature), "::Empty()");
    EXPECT_TRUE(empty->functions[0].code.empty());
    EXPECT_FALSE(empty->functions[0].hasLineTable);

    const GSTest::ImageClass* g = compiled->library.Class("G");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->flags, 0x40u);
    ASSERT_EQ(g->functions.size(), 4u);  // in generation order, the initialisation last
    const GSTest::ImageFunction& count = g->functions[0];
    EXPECT_EQ(compiled->library.String(count.signature), "$int@G::Count(int,string)");
    EXPECT_EQ(count.flags, 0x1u | 0x8u);
    EXPECT_EQ(count.argumentSlots, 3u);
    EXPECT_EQ(count.argumentOffset, -2);
    EXPECT_EQ(count.referenceSlots, std::vector<int32_t>{2});
    // A native gets a record with no code and an empty line table.
    const GSTest::ImageFunction& tick = g->functions[1];
    EXPECT_EQ(compiled->library.String(tick.signature), "$void@G::Tick(float)");
    EXPECT_EQ(tick.flags, 0x2u);
    EXPECT_TRUE(tick.code.empty());
    EXPECT_TRUE(tick.hasLineTable);
    EXPECT_TRUE(tick.lines.empty());
    EXPECT_EQ(tick.frameSize, 4u);
    const GSTest::ImageFunction& run = g->functions[2];
    EXPECT_EQ(run.flags, 0x10u);
    // Slots in the class's function table, and the same slots in the
    // function imports.
    EXPECT_EQ(count.slot, 0);
    EXPECT_EQ(tick.slot, 1);
    EXPECT_EQ(run.slot, 2);
    EXPECT_EQ(g->functions[3].slot, -1);
    for (const auto& row : compiled->library.functionImports) {
        const std::string& signature = compiled->library.String(row.signature);
        if (signature == "$void@G::Tick(float)") {
            EXPECT_EQ(row.slot, 1);
        }
    }
}

// A is extended by B, which is extended by C: the flattened bases, their
// views and where their functions start, and the virtual tables with B's
// override of G.
TEST_F(LibraryWriter, BasesVirtualTablesAndLayouts) {
    auto compiled = Build(
        "class A { public int a1; int F() { return 1; } int G() { return 2; } };\n"
        "class B isclass A { public int b1; int G() { return 3; } int H() { return 4; } };\n"
        "class C isclass B { int c1; string name; void K() { } };\n");
    const LibraryImage& library = compiled->library;
    std::vector<uint32_t> direct;

    EXPECT_EQ(Bases(library, "A", direct), Rows{});
    EXPECT_EQ(VirtualTable(library, "A"), (Rows{{"$int@A::F()", 0}, {"$int@A::G()", 0}}));

    // B: A's view at 2; B's data starts at 5 (2 + A's 2 + A's one member).
    EXPECT_EQ(Bases(library, "B", direct), (Rows{{"A", 2}}));
    EXPECT_EQ(direct, std::vector<uint32_t>{1});
    EXPECT_EQ(VirtualTable(library, "B"),
              (Rows{{"$int@A::F()", 2}, {"$int@B::G()", 0}, {"$int@B::G()", 0}, {"$int@B::H()", 0}}));

    // C: B's view at 2, A's (through B) at 4; C's data starts at 8.
    EXPECT_EQ(Bases(library, "C", direct), (Rows{{"B", 2}, {"A", 4}}));
    EXPECT_EQ(direct, (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(VirtualTable(library, "C"), (Rows{{"$int@A::F()", 4},
                                                {"$int@B::G()", 2},
                                                {"$int@B::G()", 2},
                                                {"$int@B::H()", 2},
                                                {"$void@C::K()", 0}}));
    const GSTest::ImageClass* c = library.Class("C");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->instanceSlots, 2u + 8u + 3u);
    std::vector<std::vector<int64_t>> rows;
    for (const auto& row : c->layout) rows.push_back({row.kind, row.slot, row.value});
    EXPECT_EQ(rows, (std::vector<std::vector<int64_t>>{{0, 2, -2}, {1, 3, 0}, {0, 4, -4}, {1, 5, 0}, {1, 1, 0}}));
    EXPECT_EQ(c->referenceMembers, std::vector<int32_t>{9});
    // Members: own ones only, at the class's data base.
    ASSERT_EQ(c->members.size(), 2u);
    std::map<std::string, int32_t> slots;
    for (const auto& m : c->members) slots[library.String(m.name)] = m.slot;
    EXPECT_EQ(slots, (std::map<std::string, int32_t>{{"c1", 8}, {"name", 9}}));
    // Members without initial values leave the initialisation without code,
    // not even a return.
    EXPECT_TRUE(library.Function("C", "::C()")->code.empty());
    // K's slot: C's functions start after B's table of 4.
    EXPECT_EQ(library.Function("C", "$void@C::K()")->slot, 4);
}

// A long chain of bases: each class overrides G and adds a function of its
// own, and the deepest class reads the first class's member. Every level
// used to search all deeper levels again (a time that doubled with each
// class); the tables are what the rules give for any depth.
TEST_F(LibraryWriter, LongInheritanceChains) {
    constexpr int kDepth = 300;
    std::string source;
    for (int i = 0; i < kDepth; ++i) {
        const std::string n = std::to_string(i);
        source += "class C" + n + (i ? " isclass C" + std::to_string(i - 1) : std::string()) + " { int m" + n +
                  "; int G() { return " + n + "; } int F" + n + "() { return m0; } };\n";
    }
    auto compiled = Build(source);
    const std::string last = "C" + std::to_string(kDepth - 1);
    const Rows table = VirtualTable(compiled->library, last.c_str());
    // Per level: G (overriding every earlier G) and F<level>.
    ASSERT_EQ(table.size(), size_t(2 * kDepth));
    for (int i = 0; i < kDepth; ++i) {
        EXPECT_EQ(table[2 * i].first, "$int@" + last + "::G()") << i;
        EXPECT_EQ(table[2 * i + 1].first, "$int@C" + std::to_string(i) + "::F" + std::to_string(i) + "()") << i;
    }
    std::vector<uint32_t> direct;
    EXPECT_EQ(Bases(compiled->library, last.c_str(), direct).size(), size_t(kDepth - 1));
}

TEST_F(LibraryWriter, AnOverrideWithAnotherResultTypeFails) {
    folder.Write("x.gs",
                 "class A { int G() { return 2; } };\n"
                 "class D isclass A { string G() { return \"\"; } };\n");
    auto compiled = folder.Compile("x.gs");
    EXPECT_EQ(compiled->result, 0);
    EXPECT_FALSE(compiled->written);
    EXPECT_EQ(compiled->messages, std::vector<std::string>{"Wrong return type on function: $string@D::G()\n"});

    // The compile entries report it and write nothing.
    GSCompileLog log;
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(folder.Path()), Vek::PString()));
    EXPECT_EQ(CompileScriptToFile(&log, "x.gs", folder.PathOf("x.gsl").c_str()), 1);
    EXPECT_EQ(GSTest::Messages(log), (std::vector<std::string>{"Wrong return type on function: $string@D::G()\n",
                                                               "Internal Compiler Error on 'x.gs'.\n"}));
    EXPECT_FALSE(std::ifstream(folder.PathOf("x.gsl")).good());
}

// Dependents are numbered in the order their files are first met; only
// the classes something refers to are imported.
TEST_F(LibraryWriter, DependentsAndImports) {
    const std::string lib1 = "include \"lib2.gs\"\nclass L1 { public int v; };\nclass Unused { };\n";
    const std::string lib2 = "class L2 { public int Value() { return 7; } };\n";
    const std::string main =
        "include \"LIB1.gs\"\n"
        "class Main isclass L2 {\n"
        "  L1 one;\n"
        "  int Use() { return Value() + one.v; }\n"
        "  public int Value() { return inherited() + 1; }\n"
        "};\n";
    auto compiled = Build(main, {{"lib2.gs", lib2}, {"lib1.gs", lib1}}, "Main.gs");
    const LibraryImage& library = compiled->library;
    EXPECT_EQ(library.name, "main.gs");
    EXPECT_EQ(library.idA, ComputeCRC32(main.data(), main.size()));
    EXPECT_EQ(library.idB, ComputeCRC32LowerCase("Main.gs"));
    using Pair = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(library.dependents,
              (std::vector<Pair>{{library.idA, library.idB},
                                 {ComputeCRC32(lib1.data(), lib1.size()), ComputeCRC32LowerCase("lib1.gs")},
                                 {ComputeCRC32(lib2.data(), lib2.size()), ComputeCRC32LowerCase("lib2.gs")}}));
    std::map<std::string, uint32_t> classes;  // name -> dependent
    for (const auto& [dependent, name] : library.classImports) classes[library.String(name)] = dependent;
    EXPECT_EQ(classes, (std::map<std::string, uint32_t>{{"Main", 0}, {"L1", 1}, {"L2", 2}}));
    bool value = false;
    for (const auto& row : library.functionImports) {
        if (library.String(row.signature) != "$int@L2::Value()") continue;
        value = true;
        EXPECT_EQ(library.String(library.classImports.at(row.ownerClass).second), "L2");
        EXPECT_EQ(row.slot, 0);
    }
    EXPECT_TRUE(value);
    // Main's Value overrides the included base's in the base's slot.
    EXPECT_EQ(VirtualTable(library, "Main"),
              (Rows{{"$int@Main::Value()", 0}, {"$int@Main::Use()", 0}, {"$int@Main::Value()", 0}}));
}

}  // namespace
