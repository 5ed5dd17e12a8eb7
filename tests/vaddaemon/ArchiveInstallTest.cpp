// Installing an archive file (operation 40). The archive is built by the
// program's own archive code from the daemon's exports, so an export and an
// install make a round trip.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "assetdb/archives/CdpArchive.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

Bytes Line(int32_t severity, const std::string& text, const std::string& assetTag) {
    return Le32(severity) + Text(text) +
           (assetTag.empty() ? Le32(0) : Le32(8) + Interned("AssetID") + Interned(assetTag));
}
Bytes Lines(int32_t id, int32_t count, const Bytes& lines) { return Le32(id) + Le32(0) + Le32(count) + lines; }

Bytes InstallPayload(const std::string& path) { return Text(path) + Le32(2) + Hex("00"); }

class StoreArchiveInstall : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Connect(m_link));
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 100), "kuid 3 100",
                                        "kuid <kuid:3:100>\nusername \"Blue Loco\"\ncategory-class \"TR\"\n"));
        WriteFile(Folder("local", "kuid 3 100") + "/Body/body.im", std::string(3000, 'b') + "end");
        ASSERT_NO_FATAL_FAILURE(
            Install(m_link, Kuid(3, 200), "kuid 3 200", "kuid <kuid:3:200>\nusername \"Red Loco\"\n"));
    }
    // An archive of the two assets as the daemon exports them.
    void BuildArchive(const std::string& path) {
        CdpArchive archive;
        for (const Bytes& kuid : {Kuid(3, 100), Kuid(3, 200)}) {
            const Bytes reply = m_link.Request(48, kuid + Le32(3));
            TBuffer stream;
            stream.Write(reply.data(), static_cast<int32_t>(reply.size()));
            stream.Rewind();
            SoupHandle soup;
            ASSERT_TRUE(ReadBinarySoup(soup, stream));
            Vek::PString error;
            archive.AddAsset(error, CdpAssetEntry(soup));
            ASSERT_STREQ(error.c_str(), "");
        }
        Vek::PString error;
        archive.Write(error, path.c_str());
        ASSERT_STREQ(error.c_str(), "");
    }

    RawLink m_link;
};

// An archive some of whose assets are not installed answers 0: the install
// was not done as asked, and the client takes a non-zero result as success.
TEST_F(StoreArchiveInstall, EachAssetIsInstalledUnlessItIsKnown) {
    const std::string archive = m_dir / "pack.cdp";
    ASSERT_NO_FATAL_FAILURE(BuildArchive(archive));
    ASSERT_EQ(ToHex(m_link.Request(36, Kuid(3, 100) + Hex("00"))), "01");
    ASSERT_FALSE(IsFolder(Folder("local", "kuid 3 100")));
    m_link.notices.clear();

    EXPECT_EQ(ToHex(m_link.Request(40, InstallPayload(archive))), ToHex(Le32(0) + Hex("00")));
    // Each asset's line goes out as soon as that asset is done.
    ASSERT_EQ(m_link.notices.size(), 2u);
    EXPECT_EQ(ToHex(m_link.notices[0].body),
              ToHex(Lines(m_link.lastId, 1, Line(1, "Installed <kuid:3:100>.", "<kuid:3:100>"))));
    EXPECT_EQ(ToHex(m_link.notices[1].body),
              ToHex(Lines(m_link.lastId, 1, Line(3, "The asset is already in the database.", "<kuid:3:200>"))));
    EXPECT_EQ(ReadFile(Folder("local", "kuid 3 100") + "/Body/body.im"), std::string(3000, 'b') + "end");
    EXPECT_TRUE(std::filesystem::exists(Folder("local", "kuid 3 100") + "/config.chump"));
    // Registered from its configuration: found by its class and name.
    const Bytes trains = Hex("6e727473") + Le32(1) + Interned("TR") + Hex("00");
    EXPECT_EQ(ToHex(m_link.Request(2, trains)), ToHex(Le32(1) + Kuid(3, 100)));
    EXPECT_EQ(ToHex(m_link.Request(23, Kuid(3, 100) + Hex("00"))), ToHex(Interned("local") + Text("kuid 3 100")));
}

// Every asset of the archive installed: the count, and the byte 1.
TEST_F(StoreArchiveInstall, AWholeInstallAnswersItsCount) {
    const std::string archive = m_dir / "pack.cdp";
    ASSERT_NO_FATAL_FAILURE(BuildArchive(archive));
    for (const Bytes& kuid : {Kuid(3, 100), Kuid(3, 200)}) ASSERT_EQ(ToHex(m_link.Request(36, kuid + Hex("00"))), "01");
    EXPECT_EQ(ToHex(m_link.Request(40, InstallPayload(archive))), ToHex(Le32(2) + Hex("01")));
    // Again: both are known now, none installs.
    EXPECT_EQ(ToHex(m_link.Request(40, InstallPayload(archive))), ToHex(Le32(0) + Hex("00")));
}

TEST_F(StoreArchiveInstall, AnArchiveThatCannotBeLoadedInstallsNothing) {
    WriteFile(m_dir / "text.cdp", "not an archive\n");
    ASSERT_EQ(::mkdir((m_dir / "folder.cdp").c_str(), 0755), 0);
    // A FIFO is never opened: opening it would wait for a writer.
    ASSERT_EQ(::mkfifo((m_dir / "fifo.cdp").c_str(), 0600), 0);
    const struct {
        const char* what;
        std::string path;
        std::string message;
    } cases[] = {
        {"a relative path", "pack.cdp", "The archive \"pack.cdp\" is not an absolute path."},
        {"no such file", m_dir / "missing.cdp", "The archive \"" + (m_dir / "missing.cdp") + "\" does not exist."},
        {"a folder", m_dir / "folder.cdp", "The archive \"" + (m_dir / "folder.cdp") + "\" is not a file."},
        {"a FIFO", m_dir / "fifo.cdp", "The archive \"" + (m_dir / "fifo.cdp") + "\" is not a file."},
        {"not an archive", m_dir / "text.cdp", "Content could not be read, as the file is not a valid CDP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_link.notices.clear();
        EXPECT_EQ(ToHex(m_link.Request(40, InstallPayload(c.path))), ToHex(Le32(0) + Hex("00")));
        ASSERT_EQ(m_link.notices.size(), 1u);
        EXPECT_EQ(ToHex(m_link.notices[0].body), ToHex(Lines(m_link.lastId, 1, Line(3, c.message, ""))));
    }
    // Cut short: no flags.
    EXPECT_EQ(ToHex(m_link.Request(40, Text(m_dir / "text.cdp"))), "");
}

}  // namespace
