// Open modes, raw transfers, positioning and the line reader.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FileTestSupport.h"
#include "engine/File.h"
#include "support/TempDir.h"

using FileTest::OnDisk;
using FileTest::ReadText;
using FileTest::WriteText;
using Vek::File;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.Path().empty()); }
    VorlexTest::TempDir dir;
};

TEST_F(FileIo, ReadLineKeepsTerminatorsAndSplitsLongLines) {
    const std::string longLine(600, 'x');
    struct {
        const char* name;
        std::string content;
        std::size_t size;
        std::vector<std::string> lines;
    } cases[] = {
        {"crlf", "a\r\nb\r\n", 512, {"a\r\n", "b\r\n"}},
        {"lf, last unterminated", "a\nb", 512, {"a\n", "b"}},
        {"empty file", "", 512, {}},
        {"blank lines", "\n\r\n", 512, {"\n", "\r\n"}},
        {"lone cr is no terminator", "x\ry\n", 512, {"x\ry\n"}},
        {"overlong", "abcdefgh\nz", 5, {"abcd", "efgh", "\n", "z"}},
        {"crlf split by the limit", "abc\r\n", 5, {"abc\r", "\n"}},
        {"512-byte buffer", longLine + "\n", 512, {longLine.substr(0, 511), longLine.substr(511) + "\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "lines.txt";
        WriteText(path, c.content);
        File file;
        ASSERT_TRUE(file.Open(path.c_str(), File::kModeRead));
        std::vector<char> buffer(c.size, '#');
        std::vector<std::string> lines;
        while (File::ReadLine(file, buffer.data(), buffer.size())) lines.emplace_back(buffer.data());
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_TRUE(file.Eof());
    }
    File closed;
    char small[1] = {'#'};
    EXPECT_FALSE(File::ReadLine(closed, small, sizeof small));
    EXPECT_EQ(small[0], '\0');
}

TEST_F(FileIo, SeekTellEofAndLength) {
    WriteText(dir / "digits", "0123456789");
    File file;
    ASSERT_TRUE(file.Open((dir / "digits").c_str(), File::kModeRead));
    EXPECT_EQ(file.Length(), 10);
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_FALSE(file.Eof());

    struct {
        int64_t offset;
        int origin;
        bool ok;
        int64_t position;  // afterwards
    } steps[] = {
        {3, File::kSeekSet, true, 3},     {2, File::kSeekCurrent, true, 5}, {-1, File::kSeekCurrent, true, 4},
        {0, File::kSeekEnd, true, 10},    {4, File::kSeekEnd, true, 6},     {-2, File::kSeekEnd, true, 12},
        {-1, File::kSeekSet, false, 12},  {11, File::kSeekEnd, false, 12},  {-13, File::kSeekCurrent, false, 12},
        {INT64_MIN, File::kSeekEnd, false, 12}, {0, 7, false, 12},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(file.Seek(s.offset, s.origin), s.ok) << s.offset << " from " << s.origin;
        EXPECT_EQ(file.Tell(), s.position) << s.offset << " from " << s.origin;
    }
    char byte;
    EXPECT_EQ(file.Read(&byte, 1), 0u);  // past the end
    EXPECT_TRUE(file.Eof());
    ASSERT_TRUE(file.Seek(4, File::kSeekEnd));
    EXPECT_EQ(FileTest::ReadAll(file), "6789");
    EXPECT_TRUE(file.Eof());

    file.Close();
    EXPECT_FALSE(file.IsValid());
    EXPECT_FALSE(file.Seek(0, File::kSeekSet));
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_EQ(file.Length(), 0);
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_EQ(file.Write("x", 1), 0u);
}

TEST_F(FileIo, WriteThenReadBack) {
    std::string data(100000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    const std::string path = dir / "out.bin";
    File file;
    ASSERT_TRUE(file.Open(path.c_str(), 769));
    EXPECT_EQ(file.GetMode(), 769u);
    EXPECT_EQ(file.Write(data.data(), data.size()), data.size());
    EXPECT_EQ(file.Tell(), static_cast<int64_t>(data.size()));
    ASSERT_TRUE(file.Open(path.c_str(), File::kModeRead));  // closes the writer first
    EXPECT_EQ(FileTest::ReadAll(file), data);
    EXPECT_EQ(file.Write("x", 1), 0u);  // opened for reading only
    file.Close();
    EXPECT_EQ(ReadText(path), data);
}

TEST_F(FileIo, OpenModes) {
    const std::string path = dir / "modes.txt";
    WriteText(path, "old content");
    File file;

    // 0x011 reads and writes an existing file in place.
    ASSERT_TRUE(file.Open(path.c_str(), 0x011));
    char head[3] = {};
    EXPECT_EQ(file.Read(head, 3), 3u);
    EXPECT_EQ(file.Write("!", 1), 1u);
    file.Close();
    EXPECT_EQ(ReadText(path), "old!content");
    EXPECT_FALSE(file.Open((dir / "missing").c_str(), 0x011));
    EXPECT_FALSE(file.Open((dir / "missing").c_str(), File::kModeRead));
    EXPECT_FALSE(OnDisk(dir / "missing"));

    // 257 truncates; the unknown bit 0x020 changes nothing.
    ASSERT_TRUE(file.Open(path.c_str(), 0x121));
    EXPECT_EQ(file.Length(), 0);
    EXPECT_EQ(file.Write("new", 3), 3u);
    file.Close();
    EXPECT_EQ(ReadText(path), "new");

    // Only regular files open; a mode that neither reads nor writes fails.
    EXPECT_FALSE(file.Open(dir.Path().c_str(), File::kModeRead));
    EXPECT_FALSE(file.Open(dir.Path().c_str(), 257));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(file.Open((dir / "fifo").c_str(), File::kModeRead));
    EXPECT_FALSE(file.Open(path.c_str(), 0));
    EXPECT_FALSE(file.Open(path.c_str(), File::kModeSequential));
    EXPECT_FALSE(file.Open("", File::kModeRead));
    EXPECT_FALSE(file.Open(nullptr, File::kModeRead));
    EXPECT_FALSE(file.IsValid());
    EXPECT_TRUE(file.GetPath().IsEmpty());
}
