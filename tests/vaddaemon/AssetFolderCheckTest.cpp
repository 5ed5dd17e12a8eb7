// Validating the asset in a folder (operation 38): the folder's check
// before the validation job, and the one error line each fault gives (the
// folder is then not validated).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

Bytes OneError(int32_t id, const std::string& text) {
    return Le32(id) + Le32(0) + Le32(1) + Le32(3) + Text(text) + Le32(0);
}

using StoreFolderCheck = StoreTest;

TEST_F(StoreFolderCheck, EachFaultIsOneFinding) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    // A command host that validates every folder it is given without
    // finding anything.
    RawLink host;
    ASSERT_NO_FATAL_FAILURE(Connect(host));
    ASSERT_TRUE(host.SendFrame(140, 0, Bytes()));
    ASSERT_EQ(ToHex(host.Request(181, Bytes())), "01");
    std::atomic<bool> done{false};
    std::thread answers([&] {
        RawLink::Frame job;
        while (!done && host.Next(job, 200))
            if (job.notice && job.word == 1) host.SendFrame(141, 0, Le32(0) + Le32(0) + Hex("01"));
    });
    WriteFile(Folder("local", "good") + "/config.txt", "kuid <kuid:3:100>\nusername \"Good\"\n");
    WriteFile(Folder("local", "empty") + "/readme.txt", "x");
    WriteFile(Folder("local", "broken") + "/config.chump", "not a soup at all");
    WriteFile(Folder("local", "nameless") + "/config.txt", "username \"No KUID\"\n");
    const std::string outside = m_dir / "outside";
    WriteFile(outside + "/config.txt", "kuid <kuid:3:200>\n");
    const struct {
        const char* what;
        std::string location;
        std::string folder;
        std::string finding;  // empty: passes
    } cases[] = {
        {"a good asset", "local", "good", ""},
        {"a folder in any letter case", "local", "GOOD", ""},
        {"an absolute folder without a location", "", outside, ""},
        {"a relative folder without a location", "", "good", "The folder \"good\" is not an absolute path."},
        {"climbing out of the location", "local", "..\\..\\outside",
         "The folder \"..\\..\\outside\" is not inside the location \"local\"."},
        {"an absolute folder in a location", "local", outside,
         "The folder \"" + outside + "\" is not inside the location \"local\"."},
        {"no such folder", "local", "missing", "The folder \"missing\" does not exist."},
        {"no configuration", "local", "empty", "The folder \"empty\" holds no configuration file."},
        {"an unreadable configuration", "local", "broken", "The configuration in \"broken\" cannot be read."},
        {"a configuration without its KUID", "local", "nameless",
         "The configuration in \"nameless\" names no asset."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        link.notices.clear();
        bool ok = false;
        const Bytes reply = link.Request(38, Interned(c.location) + Text(c.folder), &ok);
        ASSERT_TRUE(ok);
        if (c.finding.empty()) {
            EXPECT_EQ(ToHex(reply), "01");
            EXPECT_TRUE(link.notices.empty());
        } else {
            EXPECT_EQ(ToHex(reply), "00");
            ASSERT_EQ(link.notices.size(), 1u);
            EXPECT_EQ(ToHex(link.notices[0].body), ToHex(OneError(link.lastId, c.finding)));
        }
    }
    // Cut short: no folder.
    EXPECT_EQ(ToHex(link.Request(38, Interned("local"))), "");
    done = true;
    answers.join();
}

}  // namespace
