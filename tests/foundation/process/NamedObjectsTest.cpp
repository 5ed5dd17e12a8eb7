#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "foundation/platform/ipc/NamedMutex.h"
#include "foundation/platform/ipc/RuntimeFolder.h"
#include "foundation/platform/ipc/SharedMemoryFile.h"
#include "support/TempDir.h"

namespace {

class NamedObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1); }
    VorlexTest::TempDir m_dir;
};

TEST_F(NamedObjectsTest, NamesBecomeOneSafeFileName) {
    EXPECT_EQ(EscapeObjectName("GUID/tmp//a b\\c"), "GUID%2Ftmp%2Fa%20b%2Fc");
    const std::string head(300, 'x');
    const std::string a = EscapeObjectName(head + "/one");
    const std::string b = EscapeObjectName(head + "/two");
    EXPECT_LE(a.size(), 200u);
    EXPECT_NE(a, b) << "long names stay apart by their hash";
    EXPECT_EQ(GetRuntimeFolder(), m_dir / "run");
    EXPECT_EQ(std::filesystem::status(m_dir / "run").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    // A link in place of the folder is refused.
    std::filesystem::create_directory(m_dir / "elsewhere");
    std::filesystem::create_directory_symlink(m_dir / "elsewhere", m_dir / "link");
    ::setenv("XDG_RUNTIME_DIR", (m_dir / "link").c_str(), 1);
    EXPECT_EQ(GetRuntimeFolder(), "");
    NamedMutex mutex;
    bool created = false;
    EXPECT_FALSE(mutex.Open("name", true, created));
}

TEST_F(NamedObjectsTest, TheFirstHolderSeesANewMutex) {
    NamedMutex first, second;
    bool created = false;
    ASSERT_TRUE(first.Open("m", true, created));
    EXPECT_TRUE(created);
    EXPECT_TRUE(first.IsHeldByCaller()) << "a new mutex is owned by its creator";
    first.Release();
    ASSERT_TRUE(second.Open("m", true, created));
    EXPECT_FALSE(created);
    EXPECT_FALSE(second.IsHeldByCaller()) << "an existing mutex is not";
    first.Close();
    second.Close();
    // The files stay, but nobody holds them: new again.
    ASSERT_TRUE(first.Open("m", false, created));
    EXPECT_TRUE(created);
    EXPECT_FALSE(first.IsHeldByCaller());
}

TEST_F(NamedObjectsTest, HoldersExcludeEachOtherAndReenter) {
    NamedMutex first, second;
    bool created = false;
    ASSERT_TRUE(first.Open("m", false, created));
    ASSERT_TRUE(second.Open("m", false, created));
    ASSERT_TRUE(first.Wait());
    ASSERT_TRUE(first.Wait()) << "re-entrant for its holder";
    EXPECT_FALSE(second.Wait(50)) << "another holder of the name waits";

    std::atomic<bool> got{false};
    std::thread other([&] {
        EXPECT_FALSE(first.IsHeldByCaller());
        got = first.Wait();
        first.Release();
    });
    first.Release();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(got) << "still held once";
    first.Release();
    other.join();
    EXPECT_TRUE(got);
    EXPECT_TRUE(second.Wait(1000));
    second.Release();
}

TEST_F(NamedObjectsTest, SharedMemoryIsSharedAndKept) {
    SharedMemoryFile a, b;
    ASSERT_TRUE(a.Open("mem", 36));
    ASSERT_TRUE(b.Open("mem", 36));
    std::memcpy(a.Data(), "hello", 6);
    EXPECT_STREQ(static_cast<const char*>(b.Data()), "hello");
    a.Close();
    b.Close();
    ASSERT_TRUE(a.Open("mem", 64));
    EXPECT_STREQ(static_cast<const char*>(a.Data()), "hello");
    EXPECT_EQ(static_cast<const char*>(a.Data())[63], 0);
    EXPECT_FALSE(b.Open("mem", 0));
}

}  // namespace
