// Exporting a committed asset as an archive soup (operation 48): the soup is
// read back with the program's own soup reader and its files extracted with
// the program's archive extraction, so the packed form is the one archives
// read.
#include <gtest/gtest.h>

#include "assetdb/archives/ArchiveExtraction.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

SoupHandle ReadSoup(const Bytes& bytes) {
    TBuffer stream;
    stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream.Rewind();
    SoupHandle soup;
    EXPECT_TRUE(ReadBinarySoup(soup, stream));
    return soup;
}

class StoreExport : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Connect(m_link));
        const int64_t handle = Create(m_link, Kuid(3, 100));
        ASSERT_GT(handle, 0);
        // The configuration names the KUID as text; the export gives it as a KUID.
        WriteFile(Folder("editing", "kuid 3 100") + "/config.txt",
                  "kuid \"<kuid:3:100>\"\nusername \"Blue Loco\"\nkind \"traincar\"\n");
        WriteFile(Folder("editing", "kuid 3 100") + "/body.im", std::string(5000, 'a') + "tail");
        WriteFile(Folder("editing", "kuid 3 100") + "/Textures/side.texture", std::string("\0\1\2", 3));
        WriteFile(Folder("editing", "kuid 3 100") + "/Textures/empty.txt", "");
        ASSERT_EQ(ToHex(Commit(m_link, handle)), "0100");
    }
    // Extracts the soup's files as an archive reader would; the error text.
    std::string Extract(const SoupHandle& soup, const std::string& folder) {
        Vek::PString error;
        ExtractArchiveFolder(error, soup.GetContainer("files"), Vek::PString(), folder.c_str(),
                             Vek::PString(soup.GetString("compression").c_str()));
        return error.c_str();
    }

    RawLink m_link;
};

TEST_F(StoreExport, BothModesCarryTheConfigurationAndTheFiles) {
    const struct {
        int32_t mode;
        const char* compression;
    } modes[] = {{3, "LZSS"}, {0, ""}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        m_link.notices.clear();
        const SoupHandle soup = ReadSoup(m_link.Request(48, Kuid(3, 100) + Le32(m.mode)));
        EXPECT_TRUE(m_link.notices.empty());
        EXPECT_EQ(soup.GetKUID("kuid", KUID::Null()), KUID(3, 100, 0));
        EXPECT_STREQ(soup.GetString("username").c_str(), "Blue Loco");
        EXPECT_STREQ(soup.GetString("kind").c_str(), "traincar");
        EXPECT_STREQ(soup.GetString("compression").c_str(), m.compression);
        const SoupHandle files = soup.GetContainer("files");
        EXPECT_FALSE(files.HasTag("config.txt")) << "the configuration travels as tags only";
        EXPECT_TRUE(files.GetContainer("Textures").HasTag("side.texture"));

        const std::string out = m_dir / ("out" + std::to_string(m.mode));
        EXPECT_EQ(Extract(soup, out), "");
        EXPECT_EQ(ReadFile(out + "/body.im"), std::string(5000, 'a') + "tail");
        EXPECT_EQ(ReadFile(out + "/Textures/side.texture"), std::string("\0\1\2", 3));
        EXPECT_TRUE(std::filesystem::exists(out + "/Textures/empty.txt"));
        EXPECT_EQ(ReadFile(out + "/Textures/empty.txt"), "");
    }
    // Packed: the 5004 bytes of the model take far less room.
    const Bytes packed = m_link.Request(48, Kuid(3, 100) + Le32(3));
    const Bytes raw = m_link.Request(48, Kuid(3, 100) + Le32(0));
    EXPECT_LT(packed.size() + 4000, raw.size());
}

TEST_F(StoreExport, AnAssetWithoutACommittedCopyGivesNoSoup) {
    ASSERT_GT(Create(m_link, Kuid(3, 200)), 0);
    const struct {
        const char* what;
        Bytes kuid;
    } cases[] = {{"unknown", Kuid(7, 7)}, {"never committed", Kuid(3, 200)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_link.notices.clear();
        EXPECT_EQ(ToHex(m_link.Request(48, c.kuid + Le32(3))), "");
        ASSERT_EQ(m_link.notices.size(), 1u);
        const Bytes expected = Le32(m_link.lastId) + Le32(0) + Le32(1) + Le32(3) +
                               Text("The asset has no committed copy to export.") + Le32(8) + Interned("AssetID");
        EXPECT_EQ(ToHex(Bytes(m_link.notices[0].body.begin(), m_link.notices[0].body.begin() +
                                                                   static_cast<std::ptrdiff_t>(expected.size()))),
                  ToHex(expected));
    }
    // Cut short: no mode.
    EXPECT_EQ(ToHex(m_link.Request(48, Kuid(3, 100))), "");
}

}  // namespace
