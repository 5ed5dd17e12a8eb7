#include <gtest/gtest.h>

#include <filesystem>

#include "assetdb/specs/CreateSpecFromAssetConfig.h"
#include "assetdb/specs/LoadAssetConfigSoup.h"
#include "assetdb/specs/SpecRegistry.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/soups/SoupFiles.h"
#include "support/TempDir.h"

namespace {

bool RefuseAll(AssetSpec*) { return false; }

class CreateSpecFromAssetConfigTest : public ::testing::Test {
protected:
    void SetUp() override { CreateSpecRegistry(); }
    void TearDown() override { DestroySpecRegistry(); }

    // An asset folder with a configuration of that kind in the given form.
    std::string Asset(const std::string& name, const char* kind, const char* file = "config.txt") {
        std::filesystem::create_directories(m_dir / name);
        SoupHandle soup;
        if (kind) soup.SetString("kind", kind);
        else soup.EnsureContainer();
        EXPECT_TRUE(SaveSoupFile(soup, Vek::PString(), (m_dir / name + "/" + file).c_str()));
        return m_dir / name;
    }

    VorlexTest::TempDir m_dir;
};

TEST_F(CreateSpecFromAssetConfigTest, MakesARegisteredLoadedSpecWithTheFolderSplit) {
    const std::string folder = Asset("bridge1", "bridge");
    SpecHandle spec = CreateSpecFromAssetConfig(KUID(9, 1, 0), Vek::PString(), (folder + "/").c_str(), nullptr);
    ASSERT_TRUE(spec);
    // A trailing separator leaves an empty folder name; the parent keeps the rest.
    EXPECT_STREQ(spec->GetParentFolder().c_str(), folder.c_str());
    EXPECT_STREQ(spec->GetFolderName().c_str(), "");

    SpecHandle second = CreateSpecFromAssetConfig(KUID(9, 2, 0), Vek::PString(), folder.c_str(), nullptr);
    ASSERT_TRUE(second);
    EXPECT_STREQ(second->GetParentFolder().c_str(), m_dir.Path().c_str());
    EXPECT_STREQ(second->GetFolderName().c_str(), "bridge1");
    EXPECT_STREQ(second->GetKind().c_str(), "bridge");
    EXPECT_TRUE(second->IsLoaded());
    EXPECT_TRUE(second->IsUsable());
    EXPECT_EQ(SpecRegistry::Instance()->FindSpec(KUID(9, 2, 0)).Get(), second.Get());
}

TEST_F(CreateSpecFromAssetConfigTest, ReadsTheBinaryConfigurationFirst) {
    const std::string folder = Asset("both", "binary", "config.chump");
    Asset("both", "text", "config.txt");
    SoupHandle config;
    ASSERT_TRUE(LoadAssetConfigSoup(Vek::PString(), folder.c_str(), config));
    EXPECT_STREQ(config.GetString("kind").c_str(), "binary");
}

TEST_F(CreateSpecFromAssetConfigTest, GivesNothingForMissingEmptyRefusedOrInvalidAssets) {
    EXPECT_FALSE(CreateSpecFromAssetConfig(KUID(9, 3, 0), Vek::PString(), (m_dir / "missing").c_str(), nullptr));
    SoupHandle config;
    EXPECT_FALSE(LoadAssetConfigSoup(Vek::PString(), (m_dir / "missing").c_str(), config));
    EXPECT_TRUE(config.IsEmpty());

    EXPECT_FALSE(CreateSpecFromAssetConfig(KUID(9, 4, 0), Vek::PString(), Asset("empty", nullptr).c_str(), nullptr));
    EXPECT_EQ(SpecRegistry::Instance()->LiveCount(), 0u);

    // A refused spec stays registered.
    EXPECT_FALSE(CreateSpecFromAssetConfig(KUID(9, 5, 0), Vek::PString(), Asset("a", "x").c_str(), RefuseAll));
    EXPECT_TRUE(SpecRegistry::Instance()->FindSpec(KUID(9, 5, 0)));

    // The null KUID makes an invalid spec, which is not handed out.
    EXPECT_FALSE(CreateSpecFromAssetConfig(KUID(), Vek::PString(), Asset("b", "x").c_str(), IsVorlexBaseSpec));
    EXPECT_EQ(SpecRegistry::Instance()->InvalidCount(), 1u);
}

TEST_F(CreateSpecFromAssetConfigTest, GivesNothingWithoutARegistry) {
    const std::string folder = Asset("c", "x");
    DestroySpecRegistry();
    EXPECT_FALSE(CreateSpecFromAssetConfig(KUID(9, 6, 0), Vek::PString(), folder.c_str(), nullptr));
    CreateSpecRegistry();
}

TEST(SplitAssetFolder, CutsAtTheLastSeparatorAndTrimsTheParent) {
    struct Case {
        const char* folder;
        const char* parent;
        const char* name;
    };
    const Case cases[] = {
        {"a\\b\\c", "a\\b", "c"},
        {"a/b//c", "a/b", "c"},
        {"c", "", "c"},
        {"\\c", "", "c"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        Vek::String parent, name;
        SplitAssetFolder(c.folder, parent, name);
        EXPECT_STREQ(parent.c_str(), c.parent) << c.folder;
        EXPECT_STREQ(name.c_str(), c.name) << c.folder;
    }
}

}  // namespace
