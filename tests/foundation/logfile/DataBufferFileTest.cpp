#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "foundation/logfile/DataBufferFiles.h"
#include "foundation/logfile/DornDataBufferFile.h"
#include "support/TempDir.h"

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

TEST(DornDataBufferFile, Mode3SwitchesBetweenReadingAndWritingInPlace) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "data.bin";
    Put(path, "abcdef");
    {
        DornDataBufferFile file(DornDataBufferFile::kModeReadWrite, path);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.GetSize(), 6u);
        char two[3] = {};
        ASSERT_EQ(file.Read(two, 2), DornDataBuffer::kOk);
        EXPECT_STREQ(two, "ab");
        ASSERT_EQ(file.Write("XY", 2), DornDataBuffer::kOk);  // lands at position 2
        EXPECT_EQ(file.GetPosition(), 4u);
        ASSERT_EQ(file.Read(two, 2), DornDataBuffer::kOk);  // reads on after the write
        EXPECT_STREQ(two, "ef");
        ASSERT_EQ(file.Write("gh", 2), DornDataBuffer::kOk);  // grows the file
        EXPECT_EQ(file.GetSize(), 8u);
        EXPECT_EQ(file.Read(two, 1), DornDataBuffer::kFailed);  // at the end
        ASSERT_EQ(file.Seek(1), DornDataBuffer::kOk);
        ASSERT_EQ(file.Read(two, 2), DornDataBuffer::kOk);
        EXPECT_STREQ(two, "bX");
    }
    EXPECT_EQ(Contents(path), "abXYefgh");
}

TEST(DornDataBufferFile, ModesAllowWhatTheyShould) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "modes.bin";
    Put(path, "0123456789");

    DornDataBufferFile reader(DornDataBufferFile::kModeRead, path);
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_EQ(reader.GetSize(), 10u);
    EXPECT_EQ(reader.Write("x", 1), DornDataBuffer::kNotAllowed);
    EXPECT_EQ(reader.Write("x", 0), DornDataBuffer::kNotAllowed);

    {
        DornDataBufferFile appender(DornDataBufferFile::kModeWriteExisting, path);
        ASSERT_TRUE(appender.IsOpen());
        EXPECT_EQ(appender.GetSize(), 10u);
        char c;
        EXPECT_EQ(appender.Read(&c, 1), DornDataBuffer::kNotAllowed);
        EXPECT_EQ(appender.Write("", 0), DornDataBuffer::kOk);  // nothing changes
        EXPECT_EQ(appender.GetPosition(), 0u);
        ASSERT_EQ(appender.Seek(appender.GetSize()), DornDataBuffer::kOk);
        ASSERT_EQ(appender.Write("AB", 2), DornDataBuffer::kOk);
        ASSERT_EQ(appender.SetSize(4), DornDataBuffer::kOk);
        EXPECT_EQ(appender.GetPosition(), 4u);
        EXPECT_EQ(appender.GetSize(), 4u);
    }
    EXPECT_EQ(Contents(path), "0123");

    {
        DornDataBufferFile writer(DornDataBufferFile::kModeWrite, path);  // truncates
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_EQ(writer.GetSize(), 0u);
        ASSERT_EQ(writer.Write("new", 3), DornDataBuffer::kOk);
        writer.Flush();
        EXPECT_EQ(Contents(path), "new");
    }

    DornDataBufferFile missing(DornDataBufferFile::kModeRead, dir / "missing.bin");
    EXPECT_FALSE(missing.IsOpen());
    char c;
    EXPECT_EQ(missing.Read(&c, 1), DornDataBuffer::kNoFile);
    EXPECT_EQ(missing.Seek(0), DornDataBuffer::kNoFile);
    EXPECT_EQ(missing.SetSize(0), DornDataBuffer::kNoFile);

    DornDataBufferFile created(DornDataBufferFile::kModeWriteExisting, dir / "created.bin");
    EXPECT_TRUE(created.IsOpen());

    testing::internal::CaptureStdout();
    DornDataBufferFile unknown(9, path);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "DornDataBufferFile> unknown access mode 9\n");
    EXPECT_FALSE(unknown.IsOpen());
}

TEST(DataBufferFiles, CreateNewFileOnlyForNewNamesAndDeleteFile) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "fresh.log";
    EXPECT_TRUE(CreateNewFile(path));
    EXPECT_EQ(Contents(path), "\r\n");
    EXPECT_FALSE(CreateNewFile(path));
    EXPECT_FALSE(CreateNewFile(dir / "FRESH.LOG"));  // names compare without case
    EXPECT_FALSE(CreateNewFile(dir / "no-such-folder/x.log"));

    EXPECT_FALSE(DeleteFile(""));
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(DeleteFile(path));
}

}  // namespace
