#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "assetdb/client/IPCRendezvous.h"
#include "assetdb/client/ClientTestSupport.h"
#include "engine/Log.h"

namespace {

using VorlexTest::TestInstallation;

TEST(IPCRendezvousTest, DatabaseFolderAndNames) {
    struct Case {
        const char* path;
        bool ok;
        const char* folder;
    };
    for (const Case& c : {Case{"\\inst\\UserData\\ASSETS.VDX", true, "\\inst\\userdata"},
                          Case{"/inst/userdata/assets.vdx", true, "/inst/userdata"},
                          Case{"/inst/assets.vdx/assets.vdx", false, ""},
                          Case{"/inst/userdata/assets.vdx2", false, ""}, Case{"assets.vdx", false, ""},
                          Case{"", false, ""}}) {
        std::string folder = "x";
        EXPECT_EQ(GetDatabaseFolder(c.path, folder), c.ok) << c.path;
        EXPECT_EQ(folder, c.folder) << c.path;
    }
    const std::string name = "09731AC6-B611-4e2a-B181-578073F64F24/inst/userdata";
    EXPECT_EQ(RendezvousMutexName("\\inst\\userdata"), name);
    EXPECT_EQ(RendezvousMutexName("/inst//userdata/"), name);
    EXPECT_EQ(RendezvousMemoryName("/inst/userdata"), name + "/-ipc2");
}

TEST(IPCRendezvousTest, AttachDetachAndThePrimaryRole) {
    TestInstallation install;
    const std::string database = GetDatabasePath().Str();
    IPCRendezvous first;
    EXPECT_FALSE(first.Attach((install / "missing/assets.vdx").c_str()));
    EXPECT_FALSE(first.Attach((install / "UserData/other.vdx").c_str()));
    EXPECT_FALSE(first.IsAttached());

    ASSERT_TRUE(first.Attach(database.c_str()));
    EXPECT_TRUE(first.Attach(database.c_str()));
    IPCBlock* block = first.Block();
    EXPECT_TRUE(first.IsPrimary());
    EXPECT_EQ(block->primaryProcessId, first.ProcessId());
    EXPECT_EQ(block->ownerProcessId, -1);
    EXPECT_EQ(block->layout, 3);
    EXPECT_EQ(block->attachCount, 1);
    EXPECT_EQ(first.GetOwnerPort(), 0);

    // A second attacher, standing for another (live) process.
    IPCRendezvous second;
    second.SetProcessIdForTesting(static_cast<int32_t>(::getppid()));
    ASSERT_TRUE(second.Attach(database.c_str()));
    EXPECT_FALSE(second.IsPrimary());
    EXPECT_EQ(block->attachCount, 2);

    first.Detach();
    EXPECT_FALSE(first.IsAttached());
    EXPECT_EQ(second.Block()->primaryProcessId, -1);
    EXPECT_EQ(second.Block()->attachCount, 1);
    second.Idle();
    EXPECT_TRUE(second.IsPrimary());
    EXPECT_EQ(second.Block()->primaryProcessId, ::getppid());
}

TEST(IPCRendezvousTest, OwnerPortRefuseAndDeadOwners) {
    TestInstallation install;
    const std::string log = install / "log.txt";
    Vek::Log::Init(("-LogFile=" + log).c_str());
    const std::string database = GetDatabasePath().Str();

    IPCRendezvous daemon;
    daemon.SetProcessIdForTesting(static_cast<int32_t>(::getppid()));
    ASSERT_TRUE(daemon.Attach(database.c_str()));
    ASSERT_TRUE(daemon.TakeOwnership(4321));
    EXPECT_EQ(daemon.GetOwnerPort(), 0) << "the owner reads no port of its own";

    IPCRendezvous client;
    ASSERT_TRUE(client.Attach(database.c_str()));
    EXPECT_EQ(client.GetOwnerPort(), 4321);
    EXPECT_FALSE(client.TakeOwnership(1)) << "a live owner keeps the block";
    client.Detach();

    daemon.SetRefuse(true);
    EXPECT_FALSE(client.Attach(database.c_str()));
    EXPECT_FALSE(client.IsAttached());
    daemon.SetRefuse(false);

    // The owner dies while others are attached: the primary clears it and
    // its port.
    daemon.Block()->ownerProcessId = VorlexTest::DeadProcessId();
    const int32_t dead = daemon.Block()->ownerProcessId;
    ASSERT_TRUE(client.Attach(database.c_str()));
    client.Detach();
    IPCRendezvous primary;
    primary.SetProcessIdForTesting(static_cast<int32_t>(::getpid()));
    daemon.Block()->primaryProcessId = VorlexTest::DeadProcessId();
    ASSERT_TRUE(primary.Attach(database.c_str()));
    EXPECT_TRUE(primary.IsPrimary());
    EXPECT_EQ(primary.Block()->ownerProcessId, -1);
    EXPECT_EQ(primary.Block()->port, 0);
    Vek::Log::Shutdown();
    EXPECT_NE(VorlexTest::ReadFile(log).find("IPCIdle> clearing dead database owner (owner processID was " +
                                             std::to_string(dead) + ")"),
              std::string::npos);
}

TEST(IPCRendezvousTest, AStaleBlockIsResetByTheFirstAttacher) {
    TestInstallation install;
    const std::string database = GetDatabasePath().Str();
    {
        IPCRendezvous gone;
        ASSERT_TRUE(gone.Attach(database.c_str()));
        gone.Block()->ownerProcessId = VorlexTest::DeadProcessId();
        gone.Block()->port = 5555;
        gone.Block()->refuse = 1;
        gone.Block()->attachCount = 9;
        // Closing without detaching, as a killed process would.
        gone.Block()->primaryProcessId = 77777;
    }
    IPCRendezvous next;
    ASSERT_TRUE(next.Attach(database.c_str()));
    EXPECT_EQ(next.GetOwnerPort(), 0);
    EXPECT_EQ(next.Block()->refuse, 0);
    EXPECT_EQ(next.Block()->attachCount, 1);
    EXPECT_EQ(next.Block()->ownerProcessId, -1);
}

TEST(IPCRendezvousTest, AZeroBlockFoundThroughAnExistingMutexIsInitialised) {
    TestInstallation install;
    const std::string database = GetDatabasePath().Str();
    IPCRendezvous first;
    first.SetProcessIdForTesting(static_cast<int32_t>(::getppid()));
    ASSERT_TRUE(first.Attach(database.c_str()));
    std::memset(static_cast<void*>(first.Block()), 0, sizeof(IPCBlock));

    IPCRendezvous second;
    ASSERT_TRUE(second.Attach(database.c_str()));
    EXPECT_TRUE(second.IsPrimary());
    EXPECT_EQ(second.Block()->layout, 3);
    EXPECT_EQ(second.Block()->attachCount, 2);
}

}  // namespace
