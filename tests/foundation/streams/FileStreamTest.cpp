// TFile: opening, closing owned and borrowed files, reset, and the stream
// without a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/File.h"
#include "foundation/streams/FileStream.h"
#include "StreamTestSupport.h"
#include "support/TempDir.h"

using StreamTest::CountingBytes;
using StreamTest::ReadFileBytes;
using StreamTest::WriteFileBytes;

namespace {

TEST(FileStream, WithoutAFileEveryTransferFailsWithError1) {
    TFile stream;
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_FALSE(stream.WriteInt32(1));
    EXPECT_EQ(stream.GetError(), TStream::kErrorIO);
    int32_t value = 0;
    EXPECT_FALSE(stream.ReadInt32(value, 6));
    EXPECT_EQ(value, 6);
    EXPECT_EQ(stream.GetError(), TStream::kErrorIO);
    EXPECT_FALSE(stream.Seek(0, TStream::kSeekSet));
    stream.Close();
    EXPECT_EQ(stream.GetError(), 0) << "Close clears the error";
}

TEST(FileStream, OpenFailureLeavesTheStreamClosed) {
    VorlexTest::TempDir dir;
    TFile stream;
    EXPECT_FALSE(stream.Open((dir / "missing.bin").c_str(), Vek::File::kModeRead));
    EXPECT_FALSE(stream.IsOpen());
}

TEST(FileStream, WritesAFileThatReadsBack) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "out.bin";
    {
        TFile stream;
        ASSERT_TRUE(stream.Open(path.c_str(), TFile::kModeWriteNew));
        stream.WriteInt32(0x04030201);
        stream.WritePString("ok");
        EXPECT_EQ(stream.Tell(), 11);
        EXPECT_EQ(stream.GetError(), 0);
    }
    EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3, 4, 3, 0, 0, 0, 'o', 'k', 0}));
}

TEST(FileStream, OpenInRootResolvesInsideTheRoot) {
    VorlexTest::TempDir dir;
    const Vek::PString root("h3streamroot");
    ASSERT_TRUE(Vek::File::Subst(root, dir.Path().c_str(), true));
    WriteFileBytes(dir / "inroot.bin", {9, 0, 0, 0});
    TFile stream;
    ASSERT_TRUE(stream.OpenInRoot(root, "inroot.bin", Vek::File::kModeRead));
    int32_t value = 0;
    EXPECT_TRUE(stream.ReadInt32(value));
    EXPECT_EQ(value, 9);
    Vek::File::Subst(root, nullptr, true);
}

TEST(FileStream, ClosingPutsABorrowedFileAtTheLogicalPosition) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "borrowed.bin";
    WriteFileBytes(path, CountingBytes(100));
    Vek::File file;
    ASSERT_TRUE(file.Open(path.c_str(), Vek::File::kModeRead));
    {
        TFile stream(&file, false);
        int32_t value;
        stream.ReadInt32(value);
        EXPECT_EQ(file.Tell(), 100) << "the refill read ahead";
        stream.Close();
    }
    EXPECT_TRUE(file.IsValid());
    EXPECT_EQ(file.Tell(), 4);
}

TEST(FileStream, ResetEmptiesTheFileInItsRootAndClearsTheError) {
    VorlexTest::TempDir dir;
    const Vek::PString root("h3resetroot");
    ASSERT_TRUE(Vek::File::Subst(root, dir.Path().c_str(), true));
    const std::string name = "reset-" + std::to_string(::getpid()) + ".bin";
    WriteFileBytes(dir / name, CountingBytes(50));

    TFile stream;
    ASSERT_TRUE(stream.OpenInRoot(root, name.c_str(), StreamTest::kModeReadWrite));
    int32_t value;
    stream.ReadInt32(value);
    ASSERT_EQ(stream.GetError(), TStream::kErrorIO);  // the refill met the end
    stream.Reset();
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.GetError(), 0);
    EXPECT_EQ(stream.Tell(), 0);
    stream.WriteInt32(-1);
    stream.Close();

    EXPECT_EQ(ReadFileBytes(dir / name), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(std::filesystem::exists(name)) << "reset reopened outside the root";
    Vek::File::Subst(root, nullptr, true);
}

TEST(FileStream, GetFileMakesAnOwnedFileForTheEnginesOwnOpen) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "engine-open.bin";
    WriteFileBytes(path, {5, 0, 0, 0});
    TFile stream;
    Vek::File* file = stream.GetFile();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(stream.OwnsFile());
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.GetFile(), file);
    ASSERT_TRUE(file->Open(path.c_str(), Vek::File::kModeRead));
    int32_t value = 0;
    EXPECT_TRUE(stream.ReadInt32(value));
    EXPECT_EQ(value, 5);
}

TEST(FileStream, AttachReleasesTheOwnedFileAndKeepsTheError) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "attach.bin";
    WriteFileBytes(path, {1, 2});
    TFile stream;
    ASSERT_TRUE(stream.Open(path.c_str(), Vek::File::kModeRead));
    int32_t value;
    stream.ReadInt32(value);  // error 1
    Vek::File other;
    ASSERT_TRUE(other.Open(path.c_str(), Vek::File::kModeRead));
    EXPECT_EQ(stream.Attach(&other, false), 0);  // the owned file is freed (the leak checker sees it)
    EXPECT_EQ(stream.GetError(), TStream::kErrorIO);
    EXPECT_EQ(stream.BufferedCount(), 0);
    uint8_t byte = 0;
    EXPECT_TRUE(stream.ReadByte(byte));
    EXPECT_EQ(byte, 1);
}

}  // namespace
