#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/meshfile/MemoryFile.h"
#include "engine/meshfile/MeshFileSupport.h"
#include "support/TempDir.h"

using namespace Vek;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
    return out;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    File file;
    EXPECT_TRUE(file.Open(path.c_str(), File::kModeRead));
    MemoryFile memory;
    EXPECT_TRUE(memory.Open(file));
    return std::vector<uint8_t>(memory.GetData(), memory.GetData() + memory.GetLength());
}

}  // namespace

TEST(MemoryFileTest, AShortReadMovesNeitherDestinationNorPosition) {
    std::vector<uint8_t> data = {1, 0, 0, 0, 0xAA, 0xBB};
    MemoryFile file;
    file.Open(data.data(), data.size());
    uint32_t value = 0x12345678;
    ASSERT_TRUE(file.Read(value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(file.GetPosition(), 4u);

    value = 0x12345678;
    EXPECT_FALSE(file.Read(value));  // only two bytes remain
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(file.GetPosition(), 4u);

    float f = 2.5f;
    EXPECT_FALSE(file.Read(f));
    EXPECT_EQ(f, 2.5f);
    uint8_t block[3] = {7, 7, 7};
    EXPECT_FALSE(file.Read(block, 3));
    EXPECT_EQ(block[0], 7);
    EXPECT_TRUE(file.Read(block, 2));
    EXPECT_EQ(block[0], 0xAA);
    EXPECT_TRUE(file.AtEnd());
    EXPECT_FALSE(file.Skip(1));
}

TEST(MemoryFileTest, FilesLoadWholeFromTheirPositionAndViewsReadInPlace) {
    // A file of 200,000 bytes (more than one read of the old 64 KB steps),
    // loaded from its start and from the middle; an empty one.
    VorlexTest::TempDir dir;
    std::vector<uint8_t> content(200000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7 + i / 251);
    {
        File out;
        ASSERT_TRUE(out.Open((dir / "big.bin").c_str(), File::kModeWrite | File::kModeCreate));
        ASSERT_EQ(out.Write(content.data(), content.size()), content.size());
        File empty;
        ASSERT_TRUE(empty.Open((dir / "empty.bin").c_str(), File::kModeWrite | File::kModeCreate));
    }
    EXPECT_EQ(ReadAll(dir / "big.bin"), content);
    EXPECT_TRUE(ReadAll(dir / "empty.bin").empty());
    File file;
    ASSERT_TRUE(file.Open((dir / "big.bin").c_str(), File::kModeRead));
    ASSERT_TRUE(file.Seek(150000, SEEK_SET));
    MemoryFile rest;
    ASSERT_TRUE(rest.Open(file));
    ASSERT_EQ(rest.GetLength(), 50000u);
    EXPECT_EQ(std::memcmp(rest.GetData(), content.data() + 150000, 50000), 0);

    // A view reads the caller's bytes where they are; a copy does not.
    const std::vector<uint8_t> words = Bytes({1, 2, 3});
    MemoryFile view, copy;
    view.OpenView(words.data(), words.size());
    copy.Open(words.data(), words.size());
    EXPECT_EQ(view.GetData(), words.data());
    EXPECT_NE(copy.GetData(), words.data());
    for (MemoryFile* m : {&view, &copy}) {
        uint32_t value = 0;
        ASSERT_TRUE(m->Skip(4));
        ASSERT_TRUE(m->Read(value));
        EXPECT_EQ(value, 2u);
        EXPECT_EQ(m->Remaining(), 4u);
        m->Close();
        EXPECT_FALSE(m->IsOpen());
        EXPECT_EQ(m->GetLength(), 0u);
    }
}

TEST(MemoryFileTest, TagsPeeksAndPutBacks) {
    std::vector<uint8_t> data = {'I', 'N', 'F', 'O', 'X', 'Y'};
    MemoryFile file;
    file.Open(data.data(), data.size());

    EXPECT_TRUE(file.PeekTag("INFO"));
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_FALSE(file.PeekTag("ATCH"));
    EXPECT_EQ(file.GetPosition(), 0u);

    // An optional chunk that is absent: read, compare, put back.
    EXPECT_FALSE(file.ReadTagIs("ATCH"));
    file.PutBack(4);
    EXPECT_EQ(file.GetPosition(), 0u);

    char tag[5];
    EXPECT_TRUE(file.ReadTag(tag));
    EXPECT_STREQ(tag, "INFO");
    // Two bytes left: a tag read fails and yields a zero-filled tag that
    // equals no tag; the position stays.
    EXPECT_FALSE(file.ReadTag(tag));
    EXPECT_STREQ(tag, "");
    EXPECT_EQ(file.GetPosition(), 4u);
    EXPECT_FALSE(file.PeekTag("XY"));

    // Put-backs never go before the start; seeks are clamped.
    file.PutBack(100);
    EXPECT_EQ(file.GetPosition(), 0u);
    file.SetPosition(1000);
    EXPECT_EQ(file.GetPosition(), data.size());
}

TEST(MemoryFileTest, HoldsGuardsCountsAgainstTheBytesPresent) {
    std::vector<uint8_t> data(12);
    MemoryFile file;
    file.Open(data.data(), data.size());
    EXPECT_TRUE(file.Holds(3, 4));
    EXPECT_FALSE(file.Holds(4, 4));
    EXPECT_FALSE(file.Holds(0xFFFFFFFFu, 0xFFFFFFFFu));  // no overflow
    EXPECT_TRUE(file.Holds(0xFFFFFFFFu, 0));
}

TEST(MeshFileSupportTest, PaddedStringsRoundTripAndRejectDamagedLengths) {
    VorlexTest::TempDir dir;
    std::string path = dir.Path() + "/strings.bin";
    {
        File file;
        ASSERT_TRUE(file.Open(path.c_str(), 257));
        for (const char* text : {"", "a", "abcd", "bone_01"}) ASSERT_TRUE(MeshFileSupport::WritePaddedString(file, text));
    }
    std::vector<uint8_t> bytes = ReadAll(path);
    // 4 + 0, 4 + 4, 4 + 4, 4 + 8
    ASSERT_EQ(bytes.size(), 32u);

    MemoryFile file;
    file.Open(bytes.data(), bytes.size());
    AnsiString empty("x");
    ASSERT_TRUE(MeshFileSupport::ReadPaddedString(file, empty));
    EXPECT_STREQ(empty.c_str(), "");
    PString a;
    ASSERT_TRUE(MeshFileSupport::ReadPaddedString(file, a));
    EXPECT_STREQ(a.c_str(), "a");
    char* abcd = MeshFileSupport::ReadPaddedString(file);
    ASSERT_NE(abcd, nullptr);
    EXPECT_STREQ(abcd, "abcd");
    delete[] abcd;
    AnsiString bone;
    ASSERT_TRUE(MeshFileSupport::ReadPaddedString(file, bone));
    EXPECT_STREQ(bone.c_str(), "bone_01");
    EXPECT_TRUE(file.AtEnd());

    // A length that runs past the data, or whose padding does not fit,
    // fails and leaves the position at the length field.
    for (auto damaged : {Bytes({0xFFFFFFF0u}), Bytes({5, 0x61616161}), Bytes({3})}) {
        MemoryFile bad;
        bad.Open(damaged.data(), damaged.size());
        AnsiString text("keep");
        EXPECT_FALSE(MeshFileSupport::ReadPaddedString(bad, text));
        EXPECT_STREQ(text.c_str(), "keep");
        EXPECT_EQ(bad.GetPosition(), 0u);
        EXPECT_EQ(MeshFileSupport::ReadPaddedString(bad), nullptr);
    }
}

TEST(MeshFileSupportTest, SizeFieldsArePatchedWithTheBytesWrittenAfterThem) {
    VorlexTest::TempDir dir;
    std::string path = dir.Path() + "/sized.lm";
    {
        File file;
        ASSERT_TRUE(file.Open(path.c_str(), 257));
        int64_t fileMark = VIRFWriteHeader(file, "LODM");
        ASSERT_EQ(fileMark, 4);
        ASSERT_TRUE(MeshFileSupport::WriteTag(file, "INFO"));
        int64_t chunkMark = MeshFileSupport::MarkSizePos(file);
        ASSERT_EQ(chunkMark, 16);
        ASSERT_TRUE(MeshFileSupport::WriteU32(file, 100));  // version
        ASSERT_TRUE(MeshFileSupport::WriteFloat(file, 1.5f));
        ASSERT_TRUE(MeshFileSupport::WritePaddedString(file, "abc"));
        ASSERT_TRUE(MeshFileSupport::WriteSizeAtMark(file, chunkMark));
        ASSERT_TRUE(MeshFileSupport::WriteTag(file, "MESH"));  // writing goes on at the end
        ASSERT_TRUE(MeshFileSupport::WriteSizeAtMark(file, fileMark));
        EXPECT_FALSE(MeshFileSupport::WriteSizeAtMark(file, -1));
    }
    std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 40u);
    uint32_t fileSize, chunkSize;
    std::memcpy(&fileSize, &bytes[4], 4);
    std::memcpy(&chunkSize, &bytes[16], 4);
    EXPECT_EQ(fileSize, 32u);   // everything after the file's size field
    EXPECT_EQ(chunkSize, 16u);  // version, float, padded "abc"
    EXPECT_EQ(std::memcmp(&bytes[36], "MESH", 4), 0);

    MemoryFile memory;
    memory.Open(bytes.data(), bytes.size());
    std::size_t end = 0;
    ASSERT_TRUE(MeshFileSupport::ReadVIRFHeader(memory, "LODM", end));
    EXPECT_EQ(end, bytes.size());
    memory.SetPosition(0);
    EXPECT_FALSE(MeshFileSupport::ReadVIRFHeader(memory, "IDXM", end));
}

TEST(MeshFileSupportTest, EnvelopesThatAreTooShortOrNotVIRFAreRefused) {
    std::size_t end = 0;
    for (std::vector<uint8_t> data : {std::vector<uint8_t>{'V', 'I', 'R'}, std::vector<uint8_t>{'F', 'R', 'I', 'V', 0, 0, 0, 0, 'I', 'D', 'X', 'M'},
                                      std::vector<uint8_t>{}}) {
        MemoryFile memory;
        memory.Open(data.data(), data.size());
        EXPECT_FALSE(MeshFileSupport::ReadVIRFHeader(memory, "IDXM", end));
    }
}
