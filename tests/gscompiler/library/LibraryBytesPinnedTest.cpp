// The compiler's output for existing sources, pinned byte for byte (length
// and CRC-32 of the image): the examples, the runtime's own library, and
// generated sources with long base chains, several direct bases, overrides,
// long declaration lists of locals and members, and many strings. Any
// change to the order of symbols, strings, imports or tables shows here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/text/CRC32.h"
#include "gscompiler/libsupport/GSScriptBuild.h"
#include "support/SourceTree.h"

namespace {

std::string ReadTreeFile(const std::string& relative) {
    std::ifstream in(std::filesystem::path(SourceTreePath(relative)), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A chain of classes, each with members, an override of F and a function
// of its own; a class with two direct bases; a long list of locals used in
// a function; a class with many members; string literals and a switch.
std::string Generated(int chain, int locals, int members) {
    std::string s;
    for (int k = 0; k < chain; ++k) {
        const std::string n = std::to_string(k);
        s += "class B" + n + (k ? " isclass B" + std::to_string(k - 1) : std::string()) + "\n{\n";
        s += "  int b" + n + "; string s" + n + "; B" + n + " next" + n + ";\n";
        s += "  public int F(int n) { s" + n + " = \"f" + n + "\"; return n * " + n + " + b" + n + "; }\n";
        s += "  public int H" + n + "(void) { if (next" + n + ") return next" + n + ".F(" + n + "); return " + n + "; }\n";
        s += "};\n";
    }
    s += "class Side\n{\n  float w; public string Name(void) { return \"side\"; }\n  public int Q(int n) { return n; }\n};\n";
    s += "class Both isclass B" + std::to_string(chain - 1) + ", Side\n{\n";
    for (int m = 0; m < members; ++m) s += "  int m" + std::to_string(m) + ";\n";
    s += "  public int Sum(int n) {\n    int ";
    for (int i = 0; i < locals; ++i) s += (i ? ", v" : "v") + std::to_string(i);
    s += ";\n";
    for (int i = 0; i < locals; i += 7) s += "    v" + std::to_string(i) + " = n + " + std::to_string(i) + ";\n";
    s += "    switch (n) { case 1: return v0; case 5: return v7; default: break; }\n";
    s += "    string t = Name() + \"/\" + n;\n";
    s += "    return F(n) + v" + std::to_string(locals - 1) + " + m" + std::to_string(members - 1) + ";\n  }\n};\n";
    return s;
}

class LibraryBytesPinned : public ::testing::Test {
protected:
    // Length and CRC-32 of the image of `name`, compiled from the folder.
    std::pair<size_t, uint32_t> Image(const std::string& name) {
        auto compiled = folder.Compile(name);
        EXPECT_EQ(compiled->result, 0) << (compiled->messages.empty() ? "" : compiled->messages[0]);
        EXPECT_TRUE(compiled->written);
        return {compiled->image.size(), ComputeCRC32(compiled->image.data(), compiled->image.size())};
    }
    GSTest::ScriptFolder folder;
};

TEST_F(LibraryBytesPinned, ImagesOfExistingSourcesKeepTheirBytes) {
    folder.Write("timetable.gs", ReadTreeFile("examples/scripts/timetable.gs"));
    folder.Write("station.gs", ReadTreeFile("examples/scripts/station.gs"));
    folder.Write("gs.gs", ReadTreeFile("src/gsruntime/scripts/gs.gs"));
    folder.Write("small.gs", Generated(3, 20, 5));
    folder.Write("large.gs", Generated(40, 700, 300));
    struct Case {
        const char* name;
        size_t length;
        uint32_t crc;
    };
    const Case cases[] = {
        {"station.gs", 856, 0xC23F1793},
        {"gs.gs", 3588, 0x777674C3},
        {"small.gs", 3220, 0x72B3814C},
        {"large.gs", 77192, 0x3D1E065C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [length, crc] = Image(c.name);
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(crc, c.crc);
    }
}

}  // namespace
