#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "frontend/commands/CommandTestDaemon.h"
#include "frontend/commands/ImportConsists.h"

namespace {

using namespace CommandTest;

struct Car {
    KUID kuid;
    int num;
    bool dir;
};
struct Train {
    int index;
    std::string name;
    std::vector<Car> cars;
    bool hasList = true;
};

// A daemon that creates assets in "editing" and, on commit, lists them as
// local consists under the name their configuration gives.
class ImportConsistsTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        Daemon().On(2, [this](const Frame&) {
            std::lock_guard<std::mutex> hold(m_lock);
            Bytes reply;
            reply.I32(static_cast<int32_t>(m_committed.size()));
            for (const auto& [content, name] : m_committed) reply.Kuid(3, content, 0);
            return Answer{reply, {}, false};
        });
        Daemon().On(21, [this](const Frame& frame) {
            std::lock_guard<std::mutex> hold(m_lock);
            const int32_t content = frame.payload[0] | frame.payload[1] << 8;
            InfoRecord record;
            record.content = content;
            record.name = m_committed.count(content) ? m_committed[content] : "";
            record.found = m_committed.count(content) ? 1 : 0;
            return Answer{record.Wire(), {}, false};
        });
        Daemon().On(35, [this](const Frame&) {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_refuseCreate) return Answer{Bytes().I64(-1).NullKuid().PStr("").Str(""), {}, false};
            const int32_t content = m_nextContent++;
            const std::string folder = "kuid 3 " + std::to_string(content);
            std::filesystem::create_directories(UserData("editing/" + folder));
            m_handles[content] = content;
            return Answer{Bytes().I64(content).Kuid(3, content, 0).PStr("editing").Str(folder), {}, false};
        });
        Daemon().On(34, [this](const Frame& frame) {
            std::lock_guard<std::mutex> hold(m_lock);
            const int32_t content = frame.payload[0] | frame.payload[1] << 8;
            SoupHandle config;
            LoadSoupFile(config, Vek::PString(), Config(content).c_str());
            m_committed[content] = config.GetString(Vek::PString("username")).c_str();
            return Answer{Bytes().U8(1).U8(0), {{4, "Committed."}}, false};
        });
    }

    std::string Config(int32_t content) const {
        return UserData("editing/kuid 3 " + std::to_string(content) + "/config.txt");
    }

    void WriteList(const std::string& path, const std::vector<Train>& trains) {
        SoupHandle list;
        list.EnsureContainer();
        for (const Train& train : trains) {
            SoupHandle entry;
            entry.SetString(Vek::PString("name"), train.name.c_str());
            if (train.hasList) {
                SoupHandle cars;
                cars.EnsureContainer();
                for (std::size_t c = 0; c < train.cars.size(); ++c) {
                    const std::string n = std::to_string(c);
                    cars.SetKUID(Vek::PString(("car-" + n).c_str()), train.cars[c].kuid);
                    cars.SetInt(Vek::PString(("num-" + n).c_str()), train.cars[c].num);
                    cars.SetBool(Vek::PString(("dir-" + n).c_str()), train.cars[c].dir);
                }
                entry.SetContainer(Vek::PString("list"), cars);
            }
            list.SetContainer(Vek::PString(("train-" + std::to_string(train.index)).c_str()), entry);
        }
        ASSERT_TRUE(SaveSoupFile(list, Vek::PString(), path.c_str(), "txt"));
    }

    std::mutex m_lock;
    std::map<int32_t, std::string> m_committed;
    std::map<int32_t, int32_t> m_handles;
    int32_t m_nextContent = 200;
    bool m_refuseCreate = false;
};

const KUID kCarA(3, 1, 0);
const KUID kCarB(3, 2, 0);

TEST_F(ImportConsistsTest, ImportsTrainsUntilTheFirstMissingIndexAndSkipsKnownNames) {
    const std::string start = m_dir / "Start";
    std::filesystem::create_directories(start);
    WriteList(start + "/consists.txt", {{0, "Express", {{kCarA, 4, true}, {kCarB, 1, false}, {kCarA, 2, true}}},
                                        {2, "Never read", {{kCarB, 1, false}}}});

    Outcome first = Command({"importconsists", "Consists.TXT"}, start);
    EXPECT_EQ(first.result, 0);
    EXPECT_EQ(first.log, "+ <NULL> : Committed.\nOK (0 Errors, 0 Warnings)\n");
    ASSERT_EQ(Daemon().FramesOf(35).size(), 1u) << "train 1 is missing, so train 2 is never read";
    // A new asset: the null KUID, flag 1 and no name.
    EXPECT_EQ(Daemon().FramesOf(35)[0].payload, Bytes().NullKuid().U8(1).Str("").Get());

    SoupHandle config;
    ASSERT_TRUE(LoadSoupFile(config, Vek::PString(), Config(200).c_str()));
    EXPECT_STREQ(config.GetString(Vek::PString("kind")).c_str(), "consist");
    EXPECT_STREQ(config.GetString(Vek::PString("username")).c_str(), "Express");
    EXPECT_FLOAT_EQ(config.GetFloat(Vek::PString("vorlex-build"), 0.0f), 3.1f);
    const SoupHandle cars = config.GetContainer(Vek::PString("consist-list"));
    ASSERT_EQ(cars.Count(), 3);
    const SoupHandle third = cars.GetContainer(Vek::PString("car-2"));
    EXPECT_EQ(third.GetKUID(Vek::PString("car-kuid"), KUID()), kCarA);
    EXPECT_EQ(third.GetInt(Vek::PString("car-num"), 0), 2);
    EXPECT_TRUE(third.GetBool(Vek::PString("car-dir"), false));
    // Cars A, B, A: each KUID once, in KUID order.
    const SoupHandle table = config.GetContainer(Vek::PString("kuid-table"));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.GetKUID(Vek::PString("0"), KUID()), kCarA);
    EXPECT_EQ(table.GetKUID(Vek::PString("1"), KUID()), kCarB);

    // The search for existing consists: local, available, listed consists
    // that are not obsolete.
    EXPECT_EQ(Daemon().FramesOf(2)[0].payload, Bytes()
                                                  .Tag("grup").U8(1).U8(0).I32(5)
                                                  .Tag("strn").I32(1).PStr("CN").U8(0)
                                                  .Tag("bool").I32(0)
                                                  .Tag("bool").I32(3)
                                                  .Tag("bool").I32(16)
                                                  .Tag("grup").U8(1).U8(1).I32(1).Tag("bool").I32(5)
                                                  .Get());

    // The daemon now lists "Express": a second run creates nothing, whatever
    // the letter case of the name.
    WriteList(start + "/consists.txt", {{0, "EXPRESS", {{kCarA, 1, true}}}});
    Outcome second = Command({"importconsists", "consists.txt"}, start);
    EXPECT_EQ(second.result, 0);
    EXPECT_EQ(second.log, kNoEntries);
    EXPECT_EQ(Daemon().FramesOf(35).size(), 1u);
}

TEST_F(ImportConsistsTest, ATrainWithoutAListIsPassedOver) {
    const std::string list = m_dir / "list.txt";
    WriteList(list, {{0, "No cars", {}, false}, {1, "Shunter", {{kCarB, 1, false}}}});
    EXPECT_EQ(Command({"importconsists", list}).result, 0);
    ASSERT_EQ(Daemon().FramesOf(35).size(), 1u);
    SoupHandle config;
    ASSERT_TRUE(LoadSoupFile(config, Vek::PString(), Config(200).c_str()));
    EXPECT_STREQ(config.GetString(Vek::PString("username")).c_str(), "Shunter");
}

TEST_F(ImportConsistsTest, AnAssetThatCannotBeMadeIsReportedAndNothingIsWrittenWhereTheUserStarted) {
    const std::string start = m_dir / "Start";
    std::filesystem::create_directories(start);
    WriteList(start + "/consists.txt", {{0, "Express", {{kCarA, 1, true}}}});
    m_refuseCreate = true;

    Outcome run = Command({"importconsists", "consists.txt"}, start);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, OneError("Unable to create a consist asset for the train \"Express\"."));
    EXPECT_FALSE(std::filesystem::exists(start + "/config.txt"));
    EXPECT_TRUE(Daemon().FramesOf(34).empty()) << "nothing is committed";
}

TEST_F(ImportConsistsTest, AListThatDoesNotLoadIsAnInvalidPath) {
    const std::string start = m_dir / "Start";
    std::filesystem::create_directories(start);
    EXPECT_EQ(Command({"importconsists", "missing.txt"}, start).log, OneError("Invalid input path."));
    EXPECT_EQ(Command({"importconsists", "list.unknown"}, start).log, OneError("Invalid input path."));
    EXPECT_TRUE(Daemon().Frames().empty());
}

}  // namespace
