#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "frontend/commands/CommandTestDaemon.h"

namespace {

using namespace CommandTest;

class AssetReports : public CommandFixture {
protected:
    // Every info request about <kuid:3:100> is answered with `record`.
    void Describe(const InfoRecord& record) {
        Daemon().On(21, [record](const Frame&) { return Answer{record.Wire(), {}, false}; });
    }
};

TEST_F(AssetReports, StatusPrintsOneLetterPerFlagInTheirOrder) {
    struct Case {
        uint8_t statusA;
        uint8_t statusB;
        std::string letters;
    };
    const Case cases[] = {
        // Open for edit, installed, locally modified; nothing else.
        {0x08 | 0x04, 0x01, "EIadLmf"},
        {0x08 | 0x80 | 0x40 | 0x04, 0x01 | 0x02 | 0x08, "EIADLMF"},
        {0x00, 0x00, "eiadlmf"},
    };
    for (const Case& c : cases) {
        InfoRecord record;
        record.statusA = c.statusA;
        record.statusB = c.statusB;
        record.categoryClass = "BLD";
        record.name = "Signal box";
        Describe(record);
        Outcome run = Command({"status", "<kuid:3:100>"});
        EXPECT_EQ(run.result, 0) << c.letters;
        EXPECT_EQ(run.out, "+ <kuid:3:100> : " + c.letters + " : BLD : Signal box\n");
        EXPECT_EQ(run.log, kNoEntries);
    }
}

TEST_F(AssetReports, StatusOfAnUnknownAssetNamesIt) {
    InfoRecord record;
    record.found = 0;
    Describe(record);
    Outcome run = Command({"status", "<kuid2:3:100:1>"});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.log, "- <kuid2:3:100:1> : Unknown AssetID.\nOK (1 Errors, 0 Warnings)\n");
}

TEST_F(AssetReports, ValidateAsksTheDaemonOnlyForAssetsOfBuild270AndLater) {
    Daemon().Reply(30, Bytes().I64(4).PStr("local").Str("kuid 3 100"));
    Daemon().On(38, [](const Frame&) { return Answer{Bytes().U8(1), {{2, "Missing thumbnail."}}, false}; });

    InfoRecord current;
    current.build = 2.7f;
    Describe(current);
    Outcome checked = Command({"validate", "<kuid:3:100>"});
    EXPECT_EQ(checked.result, 0);
    EXPECT_EQ(checked.log, "! <NULL> : Missing thumbnail.\nOK (0 Errors, 1 Warnings)\n");
    ASSERT_EQ(Daemon().FramesOf(38).size(), 1u);
    EXPECT_EQ(Daemon().FramesOf(38)[0].payload, Bytes().PStr("local").Str("kuid 3 100").Get());
    // Opened without edit rights.
    EXPECT_EQ(Daemon().FramesOf(30)[0].payload, Bytes().Kuid(3, 100, 0).U8(0).Get());

    InfoRecord old;
    old.build = 2.69f;
    Describe(old);
    Outcome obsolete = Command({"validate", "<kuid:3:100>"});
    EXPECT_EQ(obsolete.result, 0) << "the asset could be looked at";
    EXPECT_EQ(obsolete.log,
              "- <kuid:3:100> : <kuid:3:100> is obsolete: only assets built for version 2.7 or later can be "
              "validated.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(Daemon().FramesOf(38).size(), 1u);

    // A validation the daemon could not run is no success.
    Describe(current);
    Daemon().On(38, [](const Frame&) { return Answer{Bytes().U8(0), {{3, "Not validated."}}, false}; });
    Outcome notRun = Command({"validate", "<kuid:3:100>"});
    EXPECT_EQ(notRun.result, -1);
    EXPECT_EQ(notRun.log, "- <NULL> : Not validated.\nOK (1 Errors, 0 Warnings)\n");

    Daemon().Reply(30, Bytes().I64(-1).PStr("").Str(""));
    EXPECT_EQ(Command({"validate", "<kuid:3:100>"}).result, -1);
}

TEST_F(AssetReports, AuthorsAreListedSortedAndOnce) {
    Daemon().Reply(2, Bytes().I32(4).Kuid(3, 1, 0).Kuid(3, 2, 0).Kuid(3, 3, 0).Kuid(3, 4, 0));
    // Assets 1 and 3 share an author; asset 4 is unknown to the daemon.
    const std::map<int32_t, int32_t> authors = {{1, 500}, {2, 400}, {3, 500}};
    Daemon().On(21, [authors](const Frame& frame) {
        InfoRecord record;
        record.content = frame.payload[0];
        auto found = authors.find(record.content);
        record.found = found != authors.end();
        record.author = record.found ? found->second : 0;
        return Answer{record.Wire(), {}, false};
    });
    Daemon().On(90, [](const Frame& frame) {
        const std::string name = frame.payload[0] == (500 & 0xFF) ? "Zed" : "alice";
        return Answer{Bytes().I32(-1).PStr(name), {}, false};
    });

    Outcome run = Command({"authors"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, "alice\nzed\n");
    // Local, available and enabled assets.
    EXPECT_EQ(Daemon().FramesOf(2)[0].payload,
              Bytes().Tag("grup").U8(1).U8(0).I32(3).Tag("bool").I32(0).Tag("bool").I32(3).Tag("bool").I32(10).Get());
    EXPECT_EQ(Daemon().FramesOf(90).size(), 2u) << "each author is asked once";
}

}  // namespace
