// TSubFile: a window [start, end) over a parent stream.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"
#include "foundation/streams/SubFileStream.h"
#include "StreamTestSupport.h"
#include "support/TempDir.h"

namespace {

class Window : public testing::Test {
protected:
    void SetUp() override {
        m_parent.Write(StreamTest::CountingBytes(200).data(), 200);
        m_parent.SetPosition(100);
    }
    TBuffer m_parent;
};

TEST_F(Window, ReadingStopsAtTheEndOfTheWindow) {
    TSubFile window(m_parent, 100, 110);
    std::vector<uint8_t> data(50);
    EXPECT_EQ(window.Read(data.data(), 50), 10);
    EXPECT_EQ(data[0], 100);
    EXPECT_EQ(data[9], 109);
    EXPECT_TRUE(window.Eof());
    EXPECT_EQ(window.Tell(), 10);

    EXPECT_TRUE(window.Seek(-5, TStream::kSeekCurrent));
    EXPECT_EQ(window.GetCurrent(), 105);
    EXPECT_EQ(m_parent.Tell(), 105);
    EXPECT_EQ(window.Tell(), 5);
    EXPECT_FALSE(window.Eof());
    uint8_t byte = 0;
    window.ReadByte(byte);
    EXPECT_EQ(byte, 105);
}

TEST_F(Window, ShortReadsSetTheWindowsOwnError) {
    TSubFile window(m_parent, 100, 106);
    int32_t a = 0, b = 0;
    EXPECT_TRUE(window.ReadInt32(a));
    EXPECT_FALSE(window.ReadInt32(b, -1));
    EXPECT_EQ(b, -1);
    EXPECT_EQ(window.GetError(), TStream::kErrorPastEnd);
    EXPECT_EQ(m_parent.GetError(), 0);
    EXPECT_EQ(window.Length(), 6);
}

TEST_F(Window, SeeksAreClampedToTheWindow) {
    TSubFile window(m_parent, 100, 110);
    struct Case {
        const char* name;
        int32_t offset;
        int origin;
        int32_t current;
    };
    const Case cases[] = {
        {"from the start", 3, TStream::kSeekSet, 103},
        {"past the end", 50, TStream::kSeekSet, 110},
        {"before the start", -50, TStream::kSeekEnd, 100},
        {"negative, taken as unsigned", -200, TStream::kSeekSet, 110},
        {"end plus offset", -4, TStream::kSeekEnd, 106},
        {"relative", -1, TStream::kSeekCurrent, 105},
        {"below start from the current", -8, TStream::kSeekCurrent, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.Seek(c.offset, c.origin);
        EXPECT_EQ(window.GetCurrent(), c.current);
        EXPECT_EQ(m_parent.Tell(), c.current);
    }
}

TEST_F(Window, StartsWhereTheParentStandsNotAtStart) {
    m_parent.SetPosition(104);
    TSubFile window(m_parent, 100, 110);
    EXPECT_EQ(window.Tell(), 4);
    uint8_t byte = 0;
    window.ReadByte(byte);
    EXPECT_EQ(byte, 104);
    window.Rewind();
    window.ReadByte(byte);
    EXPECT_EQ(byte, 100);
}

TEST_F(Window, WritesGoToTheParentAtTheWindowsPosition) {
    TSubFile window(m_parent, 100, 104);
    uint8_t byte;
    window.ReadByte(byte);
    window.WriteInt32(-1);  // not bounded by the end
    EXPECT_EQ(window.GetCurrent(), 105);
    EXPECT_EQ(window.Tell(), 5);
    const std::vector<uint8_t> bytes = StreamTest::Contents(m_parent);
    EXPECT_EQ(bytes[100], 100);
    EXPECT_EQ(bytes[101], 0xFF);
    EXPECT_EQ(bytes[104], 0xFF);
    EXPECT_EQ(bytes[105], 105);
}

TEST(WindowOverFile, ParentWriteFailureIsReportedByTheWindow) {
    TFile closed;
    TSubFile window(closed, 0, 10);
    EXPECT_FALSE(window.WriteInt32(5));
    EXPECT_EQ(window.GetError(), TStream::kErrorIO);
    EXPECT_EQ(window.GetCurrent(), 0);
    EXPECT_FALSE(window.IsOpen());
}

TEST(WindowOverFile, ReadsARecordInsideAFile) {
    VorlexTest::TempDir dir;
    StreamTest::WriteFileBytes(dir / "records.bin", StreamTest::CountingBytes(5000));
    TFile file;
    ASSERT_TRUE(file.Open((dir / "records.bin").c_str(), Vek::File::kModeRead));
    file.SetPosition(4090);
    TSubFile window(file, 4090, 4100);
    std::vector<uint8_t> data(20);
    EXPECT_EQ(window.Read(data.data(), 20), 10);
    EXPECT_EQ(data[0], static_cast<uint8_t>(4090));
    EXPECT_EQ(data[9], static_cast<uint8_t>(4099));
    EXPECT_EQ(file.Tell(), 4100);
}

}  // namespace
