// TFile's write buffer: the bytes that reach the file are those written, in
// place, whatever the order of writes, patches and reads; small writes stay
// in memory until a flush; a transfer that fails is reported where it
// fails, a failed flush included.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"
#include "StreamTestSupport.h"
#include "support/TempDir.h"

using StreamTest::Contents;
using StreamTest::ReadFileBytes;

namespace {

// Runs the same script of writes, moves and reads on a memory stream and
// on a file stream; the file must end up with the memory stream's bytes and
// every read must give the same bytes.
TEST(FileStreamWriteBuffer, RandomWritesPatchesAndReadsGiveTheMemoryStreamsBytes) {
    VorlexTest::TempDir dir;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::mt19937 random(static_cast<unsigned>(round));
        const std::string path = dir / ("script" + std::to_string(round) + ".bin");
        TBuffer memory;
        TFile file;
        ASSERT_TRUE(file.Open(path.c_str(), StreamTest::kModeReadWriteNew));
        for (int step = 0; step < 400; ++step) {
            const int what = static_cast<int>(random() % 10);
            const int32_t end = memory.Length();
            ASSERT_EQ(file.Length(), end) << step;
            if (what < 5) {
                // A write of 1 byte to twice the buffer's size.
                const int32_t size = what == 0 ? static_cast<int32_t>(random() % (2 * TFile::kWriteBufferSize)) + 1
                                               : static_cast<int32_t>(random() % 64) + 1;
                std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
                for (auto& b : bytes) b = static_cast<uint8_t>(random());
                ASSERT_EQ(memory.Write(bytes.data(), size), size);
                ASSERT_EQ(file.Write(bytes.data(), size), size) << step;
            } else if (what < 7) {
                const int32_t at = end ? static_cast<int32_t>(random() % static_cast<uint32_t>(end)) : 0;
                const int32_t value = static_cast<int32_t>(random());
                memory.WriteInt32At(at, value);
                file.WriteInt32At(at, value);
            } else if (what < 9) {
                const int32_t at = end ? static_cast<int32_t>(random() % static_cast<uint32_t>(end + 1)) : 0;
                memory.SetPosition(at);
                file.SetPosition(at);
            } else {
                uint8_t a[300] = {}, b[300] = {};
                const int32_t n = static_cast<int32_t>(random() % 300);
                const int32_t gotMemory = memory.Read(a, n);
                ASSERT_EQ(file.Read(b, n), gotMemory) << step;
                ASSERT_EQ(std::vector<uint8_t>(a, a + gotMemory), std::vector<uint8_t>(b, b + gotMemory)) << step;
            }
            ASSERT_EQ(file.Tell(), memory.Tell()) << step;
        }
        // (Reads that met the end of the file left error 1, so Close, which
        // reports any error, would say false.)
        EXPECT_TRUE(file.Flush());
        file.Close();
        EXPECT_EQ(ReadFileBytes(path), Contents(memory));
    }
}

// Small writes and the moves of a length patch stay in memory: the file is
// still empty until the flush, and then holds exactly the bytes written.
TEST(FileStreamWriteBuffer, SmallWritesWaitForTheFlush) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "small.bin";
    TFile file;
    ASSERT_TRUE(file.Open(path.c_str(), TFile::kModeWriteNew));
    const int32_t start = file.BeginSizedBlock();
    for (int32_t i = 0; i < 1000; ++i) file.WriteInt32(i);
    file.EndSizedBlock(start);
    EXPECT_EQ(file.Tell(), 4004);
    EXPECT_EQ(file.Length(), 4004);
    EXPECT_EQ(std::filesystem::file_size(path), 0u) << "nothing written before the flush";
    EXPECT_TRUE(file.Flush());
    EXPECT_EQ(std::filesystem::file_size(path), 4004u);
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8), (std::vector<uint8_t>{0xA0, 0x0F, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(file.Close());
}

// Soups saved to a file are byte for byte those written to memory.
TEST(FileStreamWriteBuffer, SavedSoupsHaveTheBytesOfTheMemoryForm) {
    SoupHandle soup;
    for (int i = 0; i < 3000; ++i) {
        SoupHandle box;
        box.SetInt("n", i);
        box.SetString("text", ("value " + std::to_string(i)).c_str());
        box.SetKUID("kuid", KUID(i, -i, 0));
        soup.SetContainer(("box" + std::to_string(i)).c_str(), box);
    }
    VorlexTest::TempDir dir;
    for (const char* name : {"soup.txt", "soup.chump"}) {
        SCOPED_TRACE(name);
        TBuffer memory;
        if (std::string(name).ends_with(".txt"))
            WriteTextSoup(soup, memory);
        else
            WriteBinarySoup(memory, soup);
        const std::string path = dir / name;
        ASSERT_TRUE(SaveSoupFile(soup, Vek::PString(), path.c_str()));
        EXPECT_EQ(ReadFileBytes(path), Contents(memory));
    }
}

class WriteLimit {
public:
    explicit WriteLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~WriteLimit() { ::setrlimit(RLIMIT_FSIZE, &m_old); }
    bool IsSet() const { return m_set; }

private:
    rlimit m_old{};
    bool m_set = false;
};

// The file cannot grow past 1000 bytes: the buffered writes fail when they
// reach the file, and every way of reaching it reports the failure.
TEST(FileStreamWriteBuffer, AFailedFlushIsReported) {
    VorlexTest::TempDir dir;
    const std::vector<uint8_t> block(3000, 'x');
    {
        SCOPED_TRACE("Flush");
        TFile file;
        ASSERT_TRUE(file.Open((dir / "flush.bin").c_str(), TFile::kModeWriteNew));
        WriteLimit limit(1000);
        ASSERT_TRUE(limit.IsSet());
        EXPECT_EQ(file.Write(block.data(), 3000), 3000);  // buffered
        EXPECT_EQ(file.GetError(), 0);
        EXPECT_FALSE(file.Flush());
        EXPECT_EQ(file.GetError(), TStream::kErrorIO);
        EXPECT_FALSE(file.Close());
    }
    {
        SCOPED_TRACE("Close");
        TFile file;
        ASSERT_TRUE(file.Open((dir / "close.bin").c_str(), TFile::kModeWriteNew));
        WriteLimit limit(1000);
        file.Write(block.data(), 3000);
        EXPECT_FALSE(file.Close());
        EXPECT_EQ(file.GetError(), 0) << "Close still clears the error";
    }
    {
        SCOPED_TRACE("the write that fills the buffer");
        TFile file;
        ASSERT_TRUE(file.Open((dir / "fill.bin").c_str(), TFile::kModeWriteNew));
        WriteLimit limit(1000);
        int32_t failedAt = -1;
        for (int32_t i = 0; i < 100 && failedAt < 0; ++i)
            if (file.Write(block.data(), 3000) != 3000) failedAt = i;
        EXPECT_EQ(failedAt, TFile::kWriteBufferSize / 3000);
        EXPECT_EQ(file.GetError(), TStream::kErrorIO);
    }
    {
        SCOPED_TRACE("a large write straight to the file");
        TFile file;
        ASSERT_TRUE(file.Open((dir / "large.bin").c_str(), TFile::kModeWriteNew));
        WriteLimit limit(1000);
        const std::vector<uint8_t> large(TFile::kWriteBufferSize, 'y');
        EXPECT_EQ(file.Write(large.data(), TFile::kWriteBufferSize), 1000);
        EXPECT_EQ(file.GetError(), TStream::kErrorIO);
    }
    {
        SCOPED_TRACE("saving a soup");
        SoupHandle soup;
        for (int i = 0; i < 200; ++i) soup.SetString(("t" + std::to_string(i)).c_str(), "some text");
        WriteLimit limit(1000);
        EXPECT_FALSE(SaveSoupFile(soup, Vek::PString(), (dir / "soup.txt").c_str()));
    }
}

// A file open only for reading refuses a write at once.
TEST(FileStreamWriteBuffer, WritingAFileOpenForReadingFailsAtOnce) {
    VorlexTest::TempDir dir;
    StreamTest::WriteFileBytes(dir / "in.bin", {1, 2, 3, 4});
    TFile file;
    ASSERT_TRUE(file.Open((dir / "in.bin").c_str(), TFile::kModeRead));
    EXPECT_FALSE(file.WriteInt32(7));
    EXPECT_EQ(file.GetError(), TStream::kErrorIO);
    EXPECT_TRUE(file.Close() == false);
    EXPECT_EQ(ReadFileBytes(dir / "in.bin"), (std::vector<uint8_t>{1, 2, 3, 4}));
}

}  // namespace
