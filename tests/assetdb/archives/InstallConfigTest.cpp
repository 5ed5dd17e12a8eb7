#include "assetdb/archives/InstallConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveTestSupport.h"

using namespace ArchiveTest;

namespace {

const KUID kOwn(1000, 1, 0);
const KUID kD1(2000, 1, 0);
const KUID kD2(2000, 2, 0);
const KUID kD3(2000, 3, 0);

KuidSet Set(std::initializer_list<KUID> kuids) {
    KuidSet set;
    for (const KUID& kuid : kuids) set.Add(kuid);
    return set;
}

TEST(CompleteKuidTable, NumbersNewDependenciesAfterTheLargest) {
    SoupHandle config = AssetSoup(kOwn);
    SoupHandle table;
    table.SetKUID("0", kD1);
    table.SetKUID("1", kD2);
    table.SetKUID("5", kD2);
    config.SetContainer("kuid-table", table);
    config.SetString("username", "after the table");
    CompleteKuidTable(config, Set({kD1, kD3}));
    EXPECT_EQ(TagNames(config), (std::vector<std::string>{"kuid", "kind", "username", "kuid-table"}));
    const SoupHandle completed = config.GetContainer("kuid-table");
    EXPECT_EQ(TagNames(completed), (std::vector<std::string>{"0", "1", "5", "6"}));
    EXPECT_EQ(completed.GetKUID("6", KUID::Null()), kD3);
}

TEST(CompleteKuidTable, Numbering) {
    struct Case {
        const char* name;
        std::vector<const char*> tags;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"names without numbers", {"a", "b"}, {"a", "b", "0"}},
        {"leading digits count", {"7x", "-3"}, {"7x", "-3", "8"}},
        {"signed numbers", {"-3"}, {"-3", "0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoupHandle config = AssetSoup(kOwn);
        SoupHandle table;
        int content = 100;
        for (const char* tag : c.tags) table.SetKUID(tag, KUID(3000, content++, 0));
        config.SetContainer("kuid-table", table);
        CompleteKuidTable(config, Set({kD1}));
        EXPECT_EQ(TagNames(config.GetContainer("kuid-table")), c.expected);
    }
}

TEST(CompleteKuidTable, MissingOrEmptyTable) {
    SoupHandle config = AssetSoup(kOwn);
    CompleteKuidTable(config, KuidSet());
    EXPECT_EQ(TagNames(config).back(), "kuid-table");
    EXPECT_EQ(config.GetTagKind("kuid-table"), ACSKind::kContainer);
    EXPECT_EQ(config.GetContainer("kuid-table").Count(), 0);

    SoupHandle withText = AssetSoup(kOwn);
    withText.SetString("kuid-table", "not a container");
    withText.SetString("username", "x");
    CompleteKuidTable(withText, Set({kD2, kD1}));
    EXPECT_EQ(TagNames(withText).back(), "kuid-table");
    EXPECT_EQ(KuidsOf(withText.GetContainer("kuid-table")), (std::vector<KUID>{kD2, kD1}));
}

TEST(MakeInstallConfig, StripsArchiveTagsAndCompletesTable) {
    SoupHandle soup = AssetSoup(kOwn, "Traincar");
    soup.SetInt("engine", 1);
    SoupHandle table;
    table.SetKUID("0", kD1);
    soup.SetContainer("kuid-table", table);
    soup.SetKUID("bogey", kD2);
    SoupHandle files;
    SetRaw(files, "config.txt", Bytes("x"));
    soup.SetContainer("files", files);
    soup.SetString("dsid", "1:1");
    soup.SetString("compression", "LZSS");
    soup.SetString("folder-icon", "x");
    soup.SetString(".cache", "x");
    soup.SetString("username", "Tank");

    const CdpAssetEntry entry(soup);
    const SoupHandle config = MakeInstallConfig(entry);
    EXPECT_EQ(TagNames(config), (std::vector<std::string>{"kuid", "engine", "bogey", "username", "kind", "kuid-table"}));
    EXPECT_STREQ(config.GetString("kind").c_str(), "traincar");
    EXPECT_EQ(KuidsOf(config.GetContainer("kuid-table")), (std::vector<KUID>{kD1, kD2, KUID(-10, 172, 127)}));
    // The entry itself is untouched.
    EXPECT_EQ(TagNames(soup).size(), 11u);
    EXPECT_EQ(KuidsOf(soup.GetContainer("kuid-table")), std::vector<KUID>{kD1});

    SoupHandle lower = AssetSoup(kOwn, "mesh");
    lower.SetString("username", "x");
    EXPECT_EQ(TagNames(MakeInstallConfig(CdpAssetEntry(lower))),
              (std::vector<std::string>{"kuid", "kind", "username", "kuid-table"}));
}

}  // namespace
