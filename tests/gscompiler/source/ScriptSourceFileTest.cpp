#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "engine/Compress.h"
#include "gscompiler/ScriptEncrypt.h"
#include "gscompiler/ScriptSourceFile.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

void WriteBytes(const std::string& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Word(const std::string& bytes, std::size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 | uint32_t(uint8_t(bytes[at + 2])) << 16 |
           uint32_t(uint8_t(bytes[at + 3])) << 24;
}

void PutWord(Bytes& bytes, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
}

std::string Text(ScriptSourceFile& file) {
    const char* text = file.GetText();
    return text ? std::string(text, file.GetTextLength()) : std::string("<none>");
}

// A ".gse" image with the given version, block length word and block
// (scrambled here from its plain form).
Bytes PackedImage(const Bytes& plainBlock, uint32_t lengthWord, uint32_t version = 1) {
    Bytes image;
    PutWord(image, version);
    PutWord(image, 0);
    PutWord(image, lengthWord);
    PutWord(image, 0);
    for (std::size_t i = 0; i < plainBlock.size(); ++i) image.push_back(plainBlock[i] ^ ScriptSourceFile::kKey[i % 32]);
    return image;
}

// The plain block of a text: U, then the text as one LZSS block.
Bytes PlainBlock(const std::string& text, uint32_t storedLength) {
    Bytes block;
    PutWord(block, storedLength);
    Bytes packed(Vek::LZSSCompress::MaxCompressedSize(text.size()));
    auto* codec = new Vek::LZSSCompress();
    const int64_t n = codec->CompressBlock(packed.data(), packed.size(), text.data(), text.size(), 9);
    codec->ReleaseReference();
    block.insert(block.end(), packed.begin(), packed.begin() + (n < 0 ? 0 : n));
    return block;
}

class ScriptSourceFileTest : public ::testing::Test {
protected:
    void TearDown() override { ScriptSourcePrefix().Release(); }
    VorlexTest::TempDir dir;
};

TEST_F(ScriptSourceFileTest, LineEndsBecomeLineFeeds) {
    struct Case {
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"a\r\nb\r\n", "a\nb\n"}, {"a\n\rb", "a\nb"},  {"a\r\rb", "a\n\nb"}, {"a\n\r\nb", "a\n\nb"},
        {"a\rb", "a\nb"},         {"\r\n\r", "\n\n"},  {"plain", "plain"},   {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.in));
        const std::string path = dir / "t.gs";
        WriteFile(path, c.in);
        ScriptSourceFile file;
        ASSERT_TRUE(file.Load("", path.c_str()));
        EXPECT_FALSE(file.IsPacked());
        EXPECT_EQ(Text(file), c.out);
        EXPECT_EQ(file.GetTextLength(), c.out.size());
    }
}

TEST_F(ScriptSourceFileTest, CrLfSourceSavesAndPacksItsLfText) {
    const std::string path = dir / "crlf.gs";
    WriteFile(path, "class A\r\n{\r\n};\r\n");
    ScriptSourceFile file;
    ASSERT_TRUE(file.Load("", path.c_str()));
    EXPECT_EQ(file.GetTextLength(), 16u - 3u);

    const std::string plainCopy = dir / "copy.gs";
    ASSERT_TRUE(file.Save("", plainCopy.c_str()));
    EXPECT_EQ(ReadFile(plainCopy), "class A\n{\n};\n");

    const std::string packed = dir / "crlf.gse";
    ASSERT_TRUE(file.Save("", packed.c_str()));
    const std::string image = ReadFile(packed);
    ASSERT_GE(image.size(), 20u);
    EXPECT_EQ(Word(image, 0), 1u);
    EXPECT_EQ(Word(image, 4), 0u);
    EXPECT_EQ(Word(image, 8), image.size() - 16);
    EXPECT_EQ(Word(image, 12), 0u);
    // The stored length, unscrambled, is the LF text's.
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= uint32_t(uint8_t(image[16 + i]) ^ ScriptSourceFile::kKey[i]) << (8 * i);
    EXPECT_EQ(u, 13u);

    ScriptSourceFile back;
    ASSERT_TRUE(back.Load("", packed.c_str()));
    EXPECT_TRUE(back.IsPacked());
    EXPECT_EQ(Text(back), "class A\n{\n};\n");
    EXPECT_FALSE(back.IsPacked());
}

TEST_F(ScriptSourceFileTest, PackedRoundTripsOfAllKinds) {
    std::mt19937 rng(3);
    std::string noise(50000, ' ');
    for (char& c : noise) c = char(rng());
    for (char& c : noise) if (c == '\r') c = 'x';
    std::string repetitive;
    for (int i = 0; i < 4000; ++i) repetitive += "while (x) { x = x - 1; }\n";
    for (const std::string& text : {std::string("x"), std::string("class A { };\n"), noise, repetitive}) {
        const std::string source = dir / "r.gs";
        const std::string packed = dir / "r.gse";
        WriteFile(source, text);
        ScriptSourceFile file;
        ASSERT_TRUE(file.Load("", source.c_str()));
        ASSERT_TRUE(file.Save("", packed.c_str()));
        ScriptSourceFile back;
        ASSERT_TRUE(back.Load("", packed.c_str()));
        EXPECT_EQ(Text(back), text);
    }
}

TEST_F(ScriptSourceFileTest, OnlyGsAndGseExtensionsLoadAndSave) {
    const std::string text = dir / "x.txt";
    WriteFile(text, "class A { };");
    ScriptSourceFile file;
    EXPECT_FALSE(file.Load("", text.c_str()));
    EXPECT_FALSE(file.Load("", (dir / "missing.gs").c_str()));
    WriteFile(dir / "ok.GS", "class A { };");
    ASSERT_TRUE(file.Load("", (dir / "ok.GS").c_str()));
    EXPECT_FALSE(file.Save("", (dir / "out.gsl").c_str()));
    EXPECT_FALSE(file.Save("", ""));
}

TEST_F(ScriptSourceFileTest, DamagedPackedFilesFailCleanly) {
    const std::string text = "class Damaged { int x; };\n";
    const Bytes good = PlainBlock(text, uint32_t(text.size()));
    struct Case {
        const char* name;
        Bytes image;
        bool loads;  // the header and block read, the unpack then fails
    };
    Bytes damagedData = good;
    damagedData[4] = 0x00;  // the first flag byte: the first item becomes a match before the start
    Bytes truncated = PackedImage(good, uint32_t(good.size()));
    truncated.pop_back();
    const std::vector<Case> cases = {
        {"empty file", {}, false},
        {"short header", Bytes(12, 0), false},
        {"block length 0", PackedImage(good, 0), false},
        {"block length above the limit", PackedImage(good, 0x2000001), false},
        {"block shorter than its length", truncated, false},
        {"stored length 0", PackedImage(PlainBlock(text, 0), uint32_t(good.size())), true},
        {"stored length above the limit", PackedImage(PlainBlock(text, 0x4000001), uint32_t(good.size())), true},
        {"stored length too large", PackedImage(PlainBlock(text, uint32_t(text.size() + 1)), uint32_t(good.size())), true},
        {"stored length too small", PackedImage(PlainBlock(text, uint32_t(text.size() - 1)), uint32_t(good.size())), true},
        {"damaged data", PackedImage(damagedData, uint32_t(good.size())), true},
        {"block of two bytes", PackedImage(Bytes{1, 2}, 2), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "bad.gse";
        WriteBytes(path, c.image);
        ScriptSourceFile file;
        ASSERT_EQ(file.Load("", path.c_str()), c.loads);
        if (!c.loads) continue;
        EXPECT_EQ(file.GetText(), nullptr);
        EXPECT_EQ(file.GetTextLength(), 0u);
        EXPECT_TRUE(file.GetSourcePath().IsEmpty());  // a failed unpack clears the source
        EXPECT_FALSE(file.Unpack() && file.GetText());
    }
    // The good image for comparison, with a version of its own kept.
    const std::string path = dir / "good.gse";
    WriteBytes(path, PackedImage(good, uint32_t(good.size()), 7));
    ScriptSourceFile file;
    ASSERT_TRUE(file.Load("", path.c_str()));
    EXPECT_EQ(file.GetVersion(), 7u);
    EXPECT_EQ(Text(file), text);
    ASSERT_TRUE(file.Save("", (dir / "again.gse").c_str()));
    EXPECT_EQ(Word(ReadFile(dir / "again.gse"), 0), 7u);
}

TEST_F(ScriptSourceFileTest, ThePrefixGoesToTheNextLoadOnly) {
    const std::string plain = dir / "p.gs";
    WriteFile(plain, "body\r\n");
    ScriptSourcePrefix() = "// prefix\n";
    ScriptSourceFile first;
    ASSERT_TRUE(first.Load("", plain.c_str()));
    EXPECT_EQ(Text(first), "// prefix\nbody\n");
    EXPECT_EQ(first.GetPrefixLength(), 10u);
    EXPECT_TRUE(ScriptSourcePrefix().IsEmpty());
    ScriptSourceFile second;
    ASSERT_TRUE(second.Load("", plain.c_str()));
    EXPECT_EQ(Text(second), "body\n");
    EXPECT_EQ(second.GetPrefixLength(), 0u);

    // With a packed source the prefix joins at the unpack.
    ASSERT_TRUE(second.Save("", (dir / "p.gse").c_str()));
    ScriptSourceFile packed;
    ASSERT_TRUE(packed.Load("", (dir / "p.gse").c_str()));
    ScriptSourcePrefix() = "P;";
    EXPECT_EQ(Text(packed), "P;body\n");
    EXPECT_EQ(packed.GetPrefixLength(), 2u);
    EXPECT_TRUE(ScriptSourcePrefix().IsEmpty());
}

TEST_F(ScriptSourceFileTest, ScramblingTwiceRestoresTheBlock) {
    const std::string path = dir / "s.gs";
    WriteFile(path, std::string(100, 'q'));
    ScriptSourceFile file;
    ASSERT_TRUE(file.Load("", path.c_str()));
    ASSERT_TRUE(file.Pack());
    const Bytes before(file.GetData(), file.GetData() + file.GetDataLength());
    file.Scramble();
    EXPECT_NE(Bytes(file.GetData(), file.GetData() + file.GetDataLength()), before);
    file.Scramble();
    EXPECT_EQ(Bytes(file.GetData(), file.GetData() + file.GetDataLength()), before);
}

TEST_F(ScriptSourceFileTest, AnEmptySourceHasNoPackedForm) {
    const std::string path = dir / "empty.gs";
    WriteFile(path, "");
    ScriptSourceFile file;
    ASSERT_TRUE(file.Load("", path.c_str()));
    EXPECT_FALSE(file.Pack());
    EXPECT_FALSE(file.Save("", (dir / "empty.gse").c_str()));
    EXPECT_FALSE(VorlexTest::TempDir().Path().empty());
    std::ifstream none(dir / "empty.gse");
    EXPECT_FALSE(none.good());
}

TEST_F(ScriptSourceFileTest, EncryptWritesTheGseTwin) {
    WriteFile(dir / "Script.GS", "class A\r\n{ };\r\n");
    std::string error;
    ASSERT_TRUE(EncryptScriptSource((dir / "Script.GS").c_str(), error)) << error;
    EXPECT_TRUE(error.empty());
    ScriptSourceFile back;
    ASSERT_TRUE(back.Load("", (dir / "Script.gse").c_str()));
    EXPECT_EQ(Text(back), "class A\n{ };\n");

    struct Case {
        std::string path;
        std::string message;
    };
    WriteFile(dir / "empty.gs", "");
    WriteFile(dir / "other.txt", "class A { };");
    const std::vector<Case> failures = {
        {"", "Invalid file path."},
        {dir / "other.txt", "Invalid file path."},
        {dir / "missing.gs", "Invalid file path."},
        {dir / "empty.gs", "Unable to write packed source '" + (dir / "empty.gse") + "'."},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(EncryptScriptSource(c.path.c_str(), error));
        EXPECT_EQ(error, c.message);
    }
}

}  // namespace
