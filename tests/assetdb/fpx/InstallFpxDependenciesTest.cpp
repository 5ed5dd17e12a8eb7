#include "assetdb/fpx/InstallFpxDependencies.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DownloadServiceDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"

using namespace FpxTest;

namespace {

const KUID kAsset(1000, 50, 0);
const KUID kFound(1000, 51, 0);
const KUID kNested(1000, 52, 0);
const KUID kUnlisted(1000, 53, 0);

class InstallFpxDependenciesTest : public VorlexTest::LinkTest {
protected:
    // The service lists `kuid` with one download that installs it.
    void List(const KUID& kuid) {
        const std::string name = std::string(kuid.ToShortString().c_str()) + ".cdp";
        const std::string url = "https://dl.test/" + name;
        const std::string reply = m_install / ("search-" + name + ".txt");
        std::ofstream(reply) << "0\n{\n  latest-version " << kuid.ToTagString().c_str() << "\n  latest-version-path \""
                             << url << "\"\n}\n";
        m_daemon.Serve(SearchUrlOf(kuid), Served(reply));
        m_daemon.Serve(url, Served(m_install / name, "", true, kuid));
    }
    std::vector<std::string> Searched() {
        std::vector<std::string> kuids;
        for (const Frame& frame : m_daemon.FramesOf(27)) {
            PayloadReader reader(frame.payload);
            kuids.push_back(reader.Kuid().ToTagString().c_str());
        }
        return kuids;
    }

    DownloadServiceDaemon m_daemon;
};

TEST_F(InstallFpxDependenciesTest, PassesRepeatWhileSomethingWasInstalled) {
    ASSERT_TRUE(Open());
    VADUrlRequestService service;
    // The asset needs two others; once the first is installed, it needs a
    // third too. The second is not on the service.
    m_daemon.SetDependencies(kAsset, {kFound, kUnlisted});
    List(kFound);
    List(kNested);
    m_daemon.Serve(SearchUrlOf(kUnlisted), Served(m_install / "none.txt"));
    std::ofstream(m_install / "none.txt") << "none\n";

    InstallFpxDependencies(kAsset);
    // Pass 1 installs the first; pass 2 finds nothing new and ends.
    EXPECT_EQ(m_daemon.FramesOf(42).size(), 2u);
    EXPECT_EQ(Searched(), (std::vector<std::string>{"<kuid:1000:51>", "<kuid:1000:53>", "<kuid:1000:51>",
                                                    "<kuid:1000:53>"}));
    ASSERT_EQ(m_daemon.Installs().size(), 1u);
    EXPECT_EQ(m_daemon.Installs()[0].first, m_install / "1000:51.cdp");

    // The dependencies of the installed asset grow: a third pass is needed.
    m_daemon.Frames().ClearFrames();
    m_daemon.SetDependencies(kAsset, {kUnlisted, kNested});
    InstallFpxDependencies(kAsset);
    EXPECT_EQ(m_daemon.FramesOf(42).size(), 2u);
    ASSERT_EQ(m_daemon.Installs().size(), 1u);
    EXPECT_EQ(m_daemon.Installs()[0].first, m_install / "1000:52.cdp");
}

TEST_F(InstallFpxDependenciesTest, NothingWithoutUrlRequests) {
    ASSERT_TRUE(Open());
    m_daemon.SetDependencies(kAsset, {kFound});
    List(kFound);
    InstallFpxDependencies(kAsset);
    EXPECT_TRUE(m_daemon.Frames().Frames().empty());
}

}  // namespace
