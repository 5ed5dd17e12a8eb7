#pragma once
// An installation whose daemon is started directly and driven through bare
// links (RawLink.h), with helpers for the asset folders it keeps under
// UserData and for the common steps of an asset's life.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/client/IPCRendezvous.h"
#include "foundation/platform/process/ShellExecute.h"
#include "vaddaemon/DaemonFixture.h"
#include "vaddaemon/RawLink.h"

namespace VorlexTest {

class StoreTest : public DaemonTest {
protected:
    // Starts the installation's daemon and waits until it publishes its port.
    int StartDaemon() {
        if (ShellExecuteGetProcessId(DaemonProgram().c_str(), "", "", kShellExecuteHidden) <= 0) return 0;
        int port = 0;
        WaitFor([&] {
            port = PublishedPort();
            return port != 0;
        });
        return port;
    }
    static int PublishedPort() {
        IPCRendezvous rendezvous;
        if (!rendezvous.Attach(GetDatabasePath().c_str())) return 0;
        const int port = rendezvous.GetOwnerPort();
        rendezvous.Detach();
        return port;
    }
    // A link that has said hello, to a daemon started when none runs.
    void Connect(RawLink& link) {
        int port = PublishedPort();
        if (port == 0 || DaemonsRunning() == 0) port = StartDaemon();
        ASSERT_NE(port, 0);
        ASSERT_TRUE(link.Connect(port));
        ASSERT_TRUE(link.Hello(GetDatabasePath().Str()));
    }
    // Operation 270, then the daemon is gone.
    void StopDaemon(RawLink& link) {
        bool ok = false;
        link.Request(270, Bytes(), &ok);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));
        link.Close();
    }

    // Ends the daemon at once, as if it were killed.
    void StopDaemonByKill() {
        TerminateProcessesByPath(DaemonProgram().c_str(), 200);
        EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));
        // A killed daemon cannot take its port back: wait until the block no
        // longer names it, so the next start is not mistaken for it.
        EXPECT_TRUE(WaitFor([&] { return PublishedPort() == 0; }));
    }

    std::string UserData() const { return m_dir / "UserData"; }
    std::string Folder(const std::string& location, const std::string& name) const {
        return UserData() + "/" + location + "/" + name;
    }
    static bool IsFolder(const std::string& path) { return std::filesystem::is_directory(path); }
    static void WriteFile(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Operation 35 with the flag 1; the handle, or -1.
    static int64_t Create(RawLink& link, const Bytes& kuid, const std::string& name = std::string()) {
        const Bytes reply = link.Request(35, kuid + Hex("01") + Text(name));
        return reply.size() >= 8 ? BodyReader(reply).Long() : -1;
    }
    // Operation 34 with the flags 0; the ok byte and the second byte.
    static Bytes Commit(RawLink& link, int64_t handle) { return link.Request(34, Le64(handle) + Le32(0)); }
    // Creates the asset, writes its configuration and commits it.
    void Install(RawLink& link, const Bytes& kuid, const std::string& folder, const std::string& config) {
        const int64_t handle = Create(link, kuid);
        ASSERT_GT(handle, 0);
        WriteFile(Folder("editing", folder) + "/config.txt", config);
        ASSERT_EQ(ToHex(Commit(link, handle)), "0100");
        link.Request(31, Le64(handle));
    }
};

}  // namespace VorlexTest
