#include "assetdb/fpx/InstallFromFpx.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DownloadServiceDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "foundation/results/ResultsLog.h"

using namespace FpxTest;

namespace {

const KUID kAsked(1000, 5, 1);
const KUID kLatest(1000, 5, 2);
const std::string kSearchUrl = SearchUrlOf(kLatest);

// One entry of a search reply in text form.
std::string Entry(int number, const std::string& latest, const std::string& path, int size = 100) {
    std::string text = std::to_string(number) + "\n{\n  requires <kuid2:1000:5:2>\n  latest-version " + latest + "\n";
    if (!path.empty()) text += "  latest-version-path \"" + path + "\"\n";
    text += "  latest-version-size " + std::to_string(size) + "\n  asset-name \"Asset\"\n  result \"ok\"\n}\n";
    return text;
}

std::vector<std::string> Texts(ResultsLog& log) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i) texts.push_back(log.GetEntry(i).text.c_str());
    return texts;
}

// The latest-version KUIDs offered to operation 74, in order.
std::vector<std::string> Offered(const Frame& frame) {
    PayloadReader reader(frame.payload);
    std::vector<std::string> offered;
    const int32_t n = reader.I32();
    for (int32_t i = 0; i < n; ++i) {
        reader.Kuid();
        offered.push_back(reader.Kuid().ToTagString().c_str());
        reader.I32();
    }
    return offered;
}

class InstallFromFpxTest : public VorlexTest::LinkTest {
protected:
    void Start(bool urlService = true) {
        ASSERT_TRUE(Open());
        if (urlService) m_service = std::make_unique<VADUrlRequestService>();
        m_daemon.SetLatest(kAsked, kLatest);
    }
    void TearDown() override {
        m_service.reset();
        LinkTest::TearDown();
    }
    // Writes the search reply and has the daemon serve it for the search.
    void ServeSearch(const std::string& soupText) {
        const std::string path = m_install / "search.txt";
        std::ofstream(path) << soupText;
        m_daemon.Serve(kSearchUrl, Served(path));
    }
    std::string File(const std::string& name) { return m_install / name; }

    DownloadServiceDaemon m_daemon;
    std::unique_ptr<VADUrlRequestService> m_service;
};

struct ReplyCase {
    const char* name;
    std::string reply;
    bool result;
    std::vector<std::string> offered;    // latest versions offered to 74 (empty: no 74)
    std::vector<std::string> downloads;  // the download URLs started
    std::vector<std::string> installed;  // the archive files installed
    std::vector<std::string> messages;
};

TEST_F(InstallFromFpxTest, SearchRepliesDecideWhatIsFetched) {
    Start();
    m_daemon.Serve("https://dl.test/a.cdp", Served(File("a.cdp")));
    m_daemon.Serve("https://dl.test/b.cdp", Served(File("b.cdp")));
    m_daemon.Serve("https://dl.test/d.cdp", Served(File("d.cdp")));
    m_daemon.Serve("https://dl.test/packed.cdp", Served("assets\\x.cdp", "cache"));
    m_daemon.Serve("https://dl.test/gone.cdp", Served(""));
    m_daemon.SetInstalled(KUID(1000, 9, 0));

    const std::vector<ReplyCase> cases = {
        {"none", "none\n", false, {}, {}, {}, {}},
        {"entries 0, 1 and 3",
         Entry(0, "<kuid2:1000:5:2>", "https://dl.test/a.cdp") + Entry(1, "<kuid:1000:6>", "https://dl.test/b.cdp") +
             Entry(3, "<kuid:1000:8>", "https://dl.test/d.cdp"),
         true,
         {"<kuid2:1000:5:2>", "<kuid:1000:6>"},
         {"https://dl.test/a.cdp", "https://dl.test/b.cdp"},
         {File("a.cdp"), File("b.cdp")},
         {}},
        {"duplicate latest version",
         Entry(0, "<kuid:1000:6>", "https://dl.test/a.cdp") + Entry(1, "<kuid:1000:6>", "https://dl.test/b.cdp"),
         true,
         {"<kuid:1000:6>", "<kuid:1000:6>"},
         {"https://dl.test/a.cdp"},
         {File("a.cdp")},
         {}},
        {"missing path", Entry(0, "<kuid:1000:6>", ""), false, {"<kuid:1000:6>"}, {}, {}, {}},
        {"latest version installed", Entry(0, "<kuid:1000:9>", "https://dl.test/a.cdp"), false, {"<kuid:1000:9>"},
         {}, {}, {}},
        {"result names a location",
         Entry(0, "<kuid:1000:6>", "https://dl.test/packed.cdp"),
         false,
         {"<kuid:1000:6>"},
         {"https://dl.test/packed.cdp"},
         {},
         {"Internal error: GetFilePath returned archive"}},
        {"download gives no file",
         Entry(0, "<kuid:1000:6>", "https://dl.test/gone.cdp") + Entry(1, "<kuid:1000:7>", "https://dl.test/b.cdp"),
         true,
         {"<kuid:1000:6>", "<kuid:1000:7>"},
         {"https://dl.test/gone.cdp", "https://dl.test/b.cdp"},
         {File("b.cdp")},
         {"Failed to resolve download path for <kuid:1000:6>"}},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ServeSearch(c.reply);
        m_daemon.Frames().ClearFrames();
        ResultsLog log;
        EXPECT_EQ(InstallFromFpx(kAsked, &log), c.result);
        EXPECT_EQ(Texts(log), c.messages);

        const std::vector<std::pair<std::string, int32_t>> starts = m_daemon.UrlStarts();
        ASSERT_GE(starts.size(), 1u);
        EXPECT_EQ(starts[0], std::make_pair(kSearchUrl, 2));
        std::vector<std::string> downloads;
        for (std::size_t i = 1; i < starts.size(); ++i) {
            EXPECT_EQ(starts[i].second, 0);
            downloads.push_back(starts[i].first);
        }
        EXPECT_EQ(downloads, c.downloads);

        const std::vector<Frame> candidates = m_daemon.FramesOf(74);
        if (c.offered.empty()) {
            EXPECT_TRUE(candidates.empty());
        } else {
            ASSERT_EQ(candidates.size(), 1u);
            EXPECT_EQ(Offered(candidates[0]), c.offered);
        }
        std::vector<std::string> installed;
        for (const auto& install : m_daemon.Installs()) {
            EXPECT_EQ(install.second, 6);
            installed.push_back(install.first);
        }
        EXPECT_EQ(installed, c.installed);
        // Every URL request started is released.
        EXPECT_TRUE(VorlexTest::WaitUntil([&] { return m_daemon.FramesOf(231).size() == starts.size(); }));
    }
}

TEST_F(InstallFromFpxTest, NewestVersionInstalledAsksNothingOfTheService) {
    Start();
    m_daemon.SetInstalled(kLatest);
    ServeSearch(Entry(0, "<kuid:1000:6>", "https://dl.test/a.cdp"));
    ResultsLog log;
    EXPECT_FALSE(InstallFromFpx(kAsked, &log));
    EXPECT_TRUE(m_daemon.FramesOf(27).size() == 1u);
    EXPECT_TRUE(m_daemon.FramesOf(230).empty());
    EXPECT_EQ(log.GetEntryCount(), 0u);
}

TEST_F(InstallFromFpxTest, WithoutUrlRequestsNothingIsAsked) {
    Start(false);
    ServeSearch(Entry(0, "<kuid:1000:6>", "https://dl.test/a.cdp"));
    ResultsLog log;
    EXPECT_FALSE(InstallFromFpx(kAsked, &log));
    EXPECT_TRUE(m_daemon.Frames().Frames().empty());
    EXPECT_EQ(log.GetEntryCount(), 0u);
}

TEST_F(InstallFromFpxTest, SearchWithoutResultIsReportedOnlyWithALog) {
    Start();
    m_daemon.SetHostSetting("downloads.example");
    m_daemon.Serve("https://downloads.example/vorlex/FPXT_Search_Text.php?Banners=1&SearchCriteria=1000:5:2"
                   "&textsearchID=1&DependencyLevel=5",
                   Served(""));
    ResultsLog log;
    EXPECT_FALSE(InstallFromFpx(kAsked, &log));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"Failed to query FPX for <kuid2:1000:5:2>"});
    ASSERT_EQ(m_daemon.UrlStarts().size(), 1u);
    EXPECT_EQ(m_daemon.UrlStarts()[0].first.rfind("https://downloads.example/vorlex/", 0), 0u);

    EXPECT_FALSE(InstallFromFpx(kAsked, nullptr));
}

// A daemon that keeps the link but never finishes the request: the wait
// gives up after the inactivity bound, with a message, and says so.
TEST_F(InstallFromFpxTest, WaitGivesUpWhenTheDaemonReportsNothing) {
    ::setenv("VORLEX_INACTIVITY_MS", "300", 1);
    Start();
    m_daemon.Serve(kSearchUrl, Served(File("never.txt"), "", false));
    ResultsLog log;
    bool gaveUp = false;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(InstallFromFpx(kAsked, &log, &gaveUp));
    ::unsetenv("VORLEX_INACTIVITY_MS");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
    EXPECT_TRUE(gaveUp);
    EXPECT_EQ(Texts(log), (std::vector<std::string>{
                              "The daemon reported nothing on a download-service request for 1 s; gave up waiting.",
                              "Failed to query FPX for <kuid2:1000:5:2>"}));
    EXPECT_TRUE(VADIsConnected());
}

TEST_F(InstallFromFpxTest, WaitEndsWhenTheLinkDrops) {
    Start();
    m_daemon.Serve(kSearchUrl, Served(File("never.txt"), "", false));
    m_daemon.DropLinkAfterStart();
    ResultsLog log;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(InstallFromFpx(kAsked, &log));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"Failed to query FPX for <kuid2:1000:5:2>"});
}

}  // namespace
