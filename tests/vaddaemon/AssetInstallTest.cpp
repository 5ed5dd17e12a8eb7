// Installing an asset folder from outside the store (operation 39): the copy
// into "local", the record it gets, and the installs that are refused with
// nothing changed.
#include <gtest/gtest.h>

#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

const Bytes kNullKuid = Hex("ffffffff ffffffff");

// The payload of a log-line notice with one entry, about an asset or not.
Bytes OneLine(int32_t id, int32_t severity, const std::string& text, const std::string& assetTag) {
    Bytes property = assetTag.empty() ? Le32(0) : Le32(8) + Interned("AssetID") + Interned(assetTag);
    return Le32(id) + Le32(0) + Le32(1) + Le32(severity) + Text(text) + property;
}

Bytes InstallPayload(const std::string& folder) { return Text(folder) + Le32(0) + Hex("00"); }

class StoreInstall : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Connect(m_link));
    }
    // The one log line the last request brought.
    void ExpectLine(int32_t severity, const std::string& text, const std::string& assetTag) {
        ASSERT_EQ(m_link.notices.size(), 1u);
        EXPECT_EQ(m_link.notices[0].word, 3);
        EXPECT_EQ(ToHex(m_link.notices[0].body), ToHex(OneLine(m_link.lastId, severity, text, assetTag)));
        m_link.notices.clear();
    }
    std::string Outside(const std::string& name) const { return m_dir / ("incoming/" + name); }

    RawLink m_link;
};

TEST_F(StoreInstall, AFolderIsCopiedAndRegistered) {
    const std::string source = Outside("Blue Loco");
    WriteFile(source + "/config.txt",
              "kuid <kuid:3:700>\nusername \"Blue Loco\"\ncategory-class \"TR\"\n");
    WriteFile(source + "/Body/mesh.im", "mesh bytes");

    // The folder as the program sends it: backslashes, any letter case.
    std::string sent = source;
    for (char& c : sent)
        if (c == '/') c = '\\';
    EXPECT_EQ(ToHex(m_link.Request(39, InstallPayload(sent))), ToHex(Kuid(3, 700) + Hex("01")));
    ExpectLine(1, "Installed <kuid:3:700>.", "<kuid:3:700>");
    EXPECT_EQ(ReadFile(Folder("local", "kuid 3 700") + "/Body/mesh.im"), "mesh bytes");
    EXPECT_EQ(ReadFile(source + "/Body/mesh.im"), "mesh bytes") << "the source stays";
    // Committed, found by a search for local assets of its class.
    EXPECT_EQ(ToHex(m_link.Request(23, Kuid(3, 700) + Hex("00"))), ToHex(Interned("local") + Text("kuid 3 700")));
    const Bytes localTrains = Hex("70757267 0100") + Le32(2) + Hex("6e727473") + Le32(1) + Interned("TR") +
                              Hex("00") + Hex("6c6f6f62") + Le32(0);
    EXPECT_EQ(ToHex(m_link.Request(2, localTrains)), ToHex(Le32(1) + Kuid(3, 700)));

    // A second install of the same asset is refused and changes nothing.
    WriteFile(source + "/Body/mesh.im", "changed");
    EXPECT_EQ(ToHex(m_link.Request(39, InstallPayload(source))), ToHex(kNullKuid + Hex("00")));
    ExpectLine(3, "The asset is already in the database.", "<kuid:3:700>");
    EXPECT_EQ(ReadFile(Folder("local", "kuid 3 700") + "/Body/mesh.im"), "mesh bytes");
}

// The log line and the reply leave in one write: split in two, the reply
// waited behind the line for the client's delayed acknowledgement.
TEST_F(StoreInstall, AnInstallsLineAndReplyArriveTogether) {
    WriteFile(Outside("one") + "/config.txt", "kuid <kuid:3:710>\n");
    ASSERT_TRUE(m_link.SendFrame(39, 7, InstallPayload(Outside("one"))));
    const Bytes line = OneLine(7, 1, "Installed <kuid:3:710>.", "<kuid:3:710>");
    const Bytes reply = Kuid(3, 710) + Hex("01");
    const Bytes answer = Hex("65746f6e") + Le32(3) + Le32(static_cast<int32_t>(line.size())) + line +
                         Hex("6c706572") + Le32(7) + Le32(static_cast<int32_t>(reply.size())) + reply;
    EXPECT_EQ(ToHex(m_link.ReceiveOneRead()), ToHex(answer));
}

TEST_F(StoreInstall, InstallsThatCannotBeDoneChangeNothing) {
    WriteFile(Outside("empty") + "/readme.txt", "no configuration");
    WriteFile(Outside("nameless") + "/config.txt", "username \"No KUID\"\n");
    WriteFile(Outside("in the way") + "/config.txt", "kuid <kuid:3:800>\n");
    WriteFile(Folder("local", "kuid 3 800") + "/left.txt", "left behind");
    // A folder holding the store's own locations, and an asset in it.
    WriteFile(UserData() + "/config.txt", "kuid <kuid:3:900>\n");
    const struct {
        const char* what;
        std::string folder;
        std::string message;
        std::string asset;
    } cases[] = {
        {"a relative path", "incoming\\empty", "The folder \"incoming\\empty\" is not an absolute path to a folder.",
         ""},
        {"a missing folder", Outside("missing"),
         "The folder \"" + Outside("missing") + "\" is not an absolute path to a folder.", ""},
        {"no configuration", Outside("empty"),
         "The folder \"" + Outside("empty") + "\" holds no readable configuration.", ""},
        {"no KUID", Outside("nameless"), "The configuration in \"" + Outside("nameless") + "\" names no asset.", ""},
        {"a folder in the way", Outside("in the way"),
         "A folder of the asset's name is already in the local location.", "<kuid:3:800>"},
        {"the store's own folder", UserData(), "The folder holds the local location itself.", "<kuid:3:900>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToHex(m_link.Request(39, InstallPayload(c.folder))), ToHex(kNullKuid + Hex("00")));
        ExpectLine(3, c.message, c.asset);
    }
    EXPECT_EQ(ReadFile(Folder("local", "kuid 3 800") + "/left.txt"), "left behind");
    EXPECT_FALSE(IsFolder(Folder("local", "kuid 3 900")));
    EXPECT_EQ(ToHex(m_link.Request(2, Hex("70757267 0100") + Le32(0))), ToHex(Le32(0))) << "nothing registered";
    // Cut short: no prompt-handler byte.
    EXPECT_EQ(ToHex(m_link.Request(39, Text(Outside("in the way")) + Le32(0))), "");
    EXPECT_TRUE(m_link.notices.empty());
}

}  // namespace
