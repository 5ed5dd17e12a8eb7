#include "assetdb/archives/CdpArchive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/TDBBinaryFile.h"
#include "foundation/soups/TDBBinarySoup.h"
#include "foundation/text/CRC32.h"

using namespace ArchiveTest;

namespace {

const KUID kA(1000, 1, 0);
const KUID kB(1000, 2, 0);
const KUID kD(2000, 7, 3);
const KUID kO(2000, 8, 0);
const KUID kX(1000, 10, 0);
const KUID kY(1000, 11, 0);
const KUID kInterior(3000, 5, 0);
const KUID kDefaultInterior(-10, 172, 127);

struct TableCase {
    const char* name;
    std::function<std::vector<SoupHandle>()> assets;
    std::vector<KUID> contents;
    std::vector<KUID> dependencies;
    std::vector<KUID> obsoletes;
};

std::vector<TableCase> TableCases() {
    return {
        {"self dependency and an optional KUID",
         [] {
             SoupHandle a = AssetSoup(kA);
             SoupHandle table = KuidTable({kA, kO, kD});
             a.SetContainer("kuid-table", table);
             SoupHandle optional = KuidTable({kO});
             a.SetContainer("optional-kuid-table", optional);
             return std::vector<SoupHandle>{a};
         },
         {kA},
         {kD},
         {}},
        {"a dependency held by the archive",
         [] {
             SoupHandle a = AssetSoup(kA);
             SoupHandle table = KuidTable({kB, kD});
             a.SetContainer("kuid-table", table);
             SoupHandle b = AssetSoup(kB);
             b.SetKUID("alias", kD);
             return std::vector<SoupHandle>{a, b};
         },
         {kA, kB},
         {kD},
         {}},
        {"driveable traincar without interior",
         [] {
             SoupHandle a = AssetSoup(kA, "Traincar");
             a.SetInt("engine", 1);
             return std::vector<SoupHandle>{a};
         },
         {kA},
         {kDefaultInterior},
         {}},
        {"traincar that is no engine",
         [] {
             SoupHandle a = AssetSoup(kA, "traincar");
             a.SetInt("engine", 0);
             return std::vector<SoupHandle>{a};
         },
         {kA},
         {},
         {}},
        {"driveable traincar with its own interior",
         [] {
             SoupHandle a = AssetSoup(kA, "traincar");
             a.SetInt("engine", 1);
             a.SetKUID("interior", kInterior);
             return std::vector<SoupHandle>{a};
         },
         {kA},
         {kInterior},
         {}},
        {"a named KUID that is also obsoleted",
         [] {
             SoupHandle a = AssetSoup(kA);
             a.SetKUID("alias", kY);
             SoupHandle obsolete = KuidTable({kY});
             a.SetContainer("obsolete-table", obsolete);
             return std::vector<SoupHandle>{a};
         },
         {kA},
         {},
         {kY}},
        {"obsoleted asset before the one obsoleting it",
         [] {
             SoupHandle x = AssetSoup(kX);
             x.SetKUID("obsoletes-kuid", kY);
             return std::vector<SoupHandle>{AssetSoup(kY), x};
         },
         {kY, kX},
         {},
         {kY}},
        {"obsoleting asset before the one it obsoletes",
         [] {
             SoupHandle x = AssetSoup(kX);
             x.SetKUID("obsoletes-kuid", kY);
             return std::vector<SoupHandle>{x, AssetSoup(kY)};
         },
         {kX, kY},
         {},
         {}},
        {"KUID texts nested in containers, shared dependencies once",
         [] {
             SoupHandle a = AssetSoup(kA);
             SoupHandle mesh;
             SoupHandle inner;
             inner.SetString("texture", "<kuid2:2000:7:3>");
             inner.SetString("note", "not a kuid");
             mesh.SetContainer("default", inner);
             a.SetContainer("mesh-table", mesh);
             SoupHandle b = AssetSoup(kB);
             b.SetKUID("bogey", kD);
             b.SetKUID("enginesound", kO);
             return std::vector<SoupHandle>{a, b};
         },
         {kA, kB},
         {kD, kO},
         {}},
    };
}

TEST(CdpArchiveTables, SmallArchives) {
    for (const TableCase& c : TableCases()) {
        SCOPED_TRACE(c.name);
        CdpArchive archive;
        for (const SoupHandle& soup : c.assets()) {
            Vek::PString error("unset");
            archive.AddAsset(error, CdpAssetEntry(soup));
            EXPECT_STREQ(error.c_str(), "");
        }
        const SoupHandle& root = archive.GetRoot();
        EXPECT_EQ(TagNames(root), (std::vector<std::string>{"assets", "contents-table", "kuid-table",
                                                            "obsolete-table", "kind", "package-version"}));
        EXPECT_EQ(KuidsOf(root.GetContainer("contents-table")), c.contents);
        EXPECT_EQ(KuidsOf(root.GetContainer("kuid-table")), c.dependencies);
        EXPECT_EQ(KuidsOf(root.GetContainer("obsolete-table")), c.obsoletes);
        EXPECT_EQ(root.GetTagKind("kuid-table"), ACSKind::kContainer);
        EXPECT_STREQ(root.GetString("kind").c_str(), "archive");
        EXPECT_EQ(root.GetInt("package-version", 0), 1);
        EXPECT_EQ(archive.AssetCount(), static_cast<int32_t>(c.contents.size()));
    }
}

TEST(CdpArchiveAdd, RefusedEntriesChangeNothing) {
    CdpArchive archive;
    Vek::PString error;
    // A fresh entry stands for an export that failed: it holds no "kuid".
    archive.AddAsset(error, CdpAssetEntry());
    EXPECT_STREQ(error.c_str(), "Unable to add content as it doesnt not contain a valid KUID");
    EXPECT_EQ(archive.GetRoot().Get(), nullptr);

    SoupHandle first = AssetSoup(kA);
    archive.AddAsset(error, CdpAssetEntry(first));
    ASSERT_TRUE(error.IsEmpty());
    SoupHandle second = AssetSoup(kA, "mesh");
    archive.AddAsset(error, CdpAssetEntry(second));
    EXPECT_STREQ(error.c_str(), "Unable to add content as an item with KUID <kuid:1000:1> is already present");
    EXPECT_EQ(archive.AssetCount(), 1);
    EXPECT_TRUE(archive.GetAsset(0).GetSoup() == first);
    EXPECT_EQ(archive.FindAsset(kA), 0);
    EXPECT_EQ(archive.FindAsset(kB), -1);
    EXPECT_EQ(TagNames(archive.GetRoot().GetContainer("assets")), std::vector<std::string>{"<kuid:1000:1>"});
}

TEST(CdpArchiveWrite, RoundTripKeepsTagsAndFiles) {
    VorlexTest::TempDir dir;
    SoupHandle a = AssetSoup(kA, "traincar");
    a.SetInt("engine", 1);
    a.SetString("username", "Tank wagon");
    SoupHandle files;
    SetRaw(files, "config.txt", Bytes("kind traincar\n"));
    SoupHandle art;
    SetRaw(art, "body.pm", Bytes("mesh bytes here"));
    files.SetContainer("art", art);
    a.SetContainer("files", files);
    a.SetString("compression", "");
    SoupHandle b = AssetSoup(kB);

    CdpArchive archive;
    Vek::PString error;
    archive.AddAsset(error, CdpAssetEntry(a));
    archive.AddAsset(error, CdpAssetEntry(b));

    for (const char* name : {"out.cdp", "out.txt", "OUT.CDP2", "out.chump"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        archive.Write(error, path.c_str());
        ASSERT_STREQ(error.c_str(), "");
        const std::vector<uint8_t> stored = ReadBytes(path);
        ASSERT_GE(stored.size(), 4u);
        const bool binary = std::string(stored.begin(), stored.begin() + 4) == "ACS$";
        EXPECT_EQ(binary, std::string(name) != "out.txt");

        CdpArchive loaded;
        loaded.Load(error, Vek::PString(), path.c_str());
        ASSERT_STREQ(error.c_str(), "");
        EXPECT_EQ(TagNames(loaded.GetRoot()), TagNames(archive.GetRoot()));
        EXPECT_EQ(KuidsOf(loaded.GetRoot().GetContainer("contents-table")), (std::vector<KUID>{kA, kB}));
        EXPECT_EQ(KuidsOf(loaded.GetRoot().GetContainer("kuid-table")), std::vector<KUID>{kDefaultInterior});
        ASSERT_EQ(loaded.AssetCount(), 2);
        const CdpAssetEntry entry = loaded.GetAsset(loaded.FindAsset(kA));
        EXPECT_EQ(TagNames(entry.GetSoup()), TagNames(a));
        EXPECT_STREQ(entry.GetSoup().GetString("username").c_str(), "Tank wagon");
        EXPECT_EQ(entry.GetKUID(), kA);
        // The text form has no form for raw bytes: files survive only in the
        // binary forms.
        if (!binary) continue;
        const RawDataRef body = entry.GetFiles().GetContainer("art").GetData("body.pm");
        ASSERT_TRUE(body);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(body->Data()), body->Size()), "mesh bytes here");
    }
}

TEST(CdpArchiveWrite, Failures) {
    VorlexTest::TempDir dir;
    CdpArchive archive;
    Vek::PString error;
    archive.AddAsset(error, CdpAssetEntry(AssetSoup(kA)));
    const char* const message = "Unable to write archive file. Needs to be .cdp file extension";
    for (const std::string& path : {dir / "out.zip", dir / "out", dir / "missing/out.cdp"}) {
        SCOPED_TRACE(path);
        archive.Write(error, path.c_str());
        EXPECT_STREQ(error.c_str(), message);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST(CdpArchiveWrite, ArchiveWithoutAssetsIsAnEmptySoup) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "empty.cdp";
    CdpArchive archive;
    Vek::PString error("unset");
    archive.Write(error, path.c_str());
    EXPECT_STREQ(error.c_str(), "");
    // Not an archive: it has no "kind".
    CdpArchive loaded;
    loaded.Load(error, Vek::PString(), path.c_str());
    EXPECT_STREQ(error.c_str(), "Content could not be read, as the file is not a valid CDP");
}

struct LoadCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* error;
};

void SaveRoot(const std::string& path, const std::function<void(SoupHandle&)>& fill) {
    SoupHandle root;
    fill(root);
    ASSERT_TRUE(SaveSoupFile(root, Vek::PString(), path.c_str()));
}

void ArchiveRoot(SoupHandle& root, int contents, int assets) {
    SoupHandle table;
    SoupHandle held;
    table.EnsureContainer();
    held.EnsureContainer();
    for (int i = 0; i < contents; ++i) table.SetKUID(std::to_string(i).c_str(), KUID(1, i, 0));
    for (int i = 0; i < assets; ++i) {
        SoupHandle asset = AssetSoup(KUID(1, i, 0));
        held.SetContainer(KUID(1, i, 0).ToTagString(), asset);
    }
    root.SetContainer("assets", held);
    root.SetContainer("contents-table", table);
}

TEST(CdpArchiveLoad, Checks) {
    const char* const notCdp = "Content could not be read, as the file is not a valid CDP";
    const char* const damaged = "Content could not be read, as the CDP file is damaged";
    const char* const newer = "This content requires a newer Vorlex version";
    const std::vector<LoadCase> cases = {
        {"not a soup", [](const std::string& p) { WriteBytes(p, Bytes("this is no soup at all")); }, notCdp},
        {"no file", [](const std::string&) {}, notCdp},
        {"kind is not archive",
         [](const std::string& p) {
             SaveRoot(p, [](SoupHandle& r) {
                 ArchiveRoot(r, 1, 1);
                 r.SetString("kind", "archives");
                 r.SetInt("package-version", 1);
             });
         },
         notCdp},
        {"kind in capitals",
         [](const std::string& p) {
             SaveRoot(p, [](SoupHandle& r) {
                 ArchiveRoot(r, 2, 2);
                 r.SetString("kind", "ARCHIVE");
                 r.SetInt("package-version", 1);
             });
         },
         ""},
        {"three contents for two assets",
         [](const std::string& p) {
             SaveRoot(p, [](SoupHandle& r) {
                 ArchiveRoot(r, 3, 2);
                 r.SetString("kind", "archive");
                 r.SetInt("package-version", 1);
             });
         },
         damaged},
        {"version 2",
         [](const std::string& p) {
             SaveRoot(p, [](SoupHandle& r) {
                 ArchiveRoot(r, 2, 2);
                 r.SetString("kind", "archive");
                 r.SetInt("package-version", 2);
             });
         },
         newer},
        {"no version",
         [](const std::string& p) {
             SaveRoot(p, [](SoupHandle& r) {
                 ArchiveRoot(r, 0, 0);
                 r.SetString("kind", "archive");
             });
         },
         newer},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        VorlexTest::TempDir dir;
        const std::string path = dir / "test.cdp";
        c.make(path);
        CdpArchive archive;
        Vek::PString error("unset");
        archive.Load(error, Vek::PString(), path.c_str());
        EXPECT_STREQ(error.c_str(), c.error);
        EXPECT_EQ(archive.GetRoot().Get() != nullptr, *c.error == '\0');
    }
}

TEST(CdpArchiveLoad, AddingToALoadedArchive) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "one.cdp";
    Vek::PString error;
    {
        CdpArchive archive;
        archive.AddAsset(error, CdpAssetEntry(AssetSoup(kA)));
        archive.Write(error, path.c_str());
    }
    CdpArchive loaded;
    loaded.Load(error, Vek::PString(), path.c_str());
    ASSERT_STREQ(error.c_str(), "");
    loaded.AddAsset(error, CdpAssetEntry(AssetSoup(kA)));
    EXPECT_FALSE(error.IsEmpty());
    loaded.AddAsset(error, CdpAssetEntry(AssetSoup(kB)));
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(KuidsOf(loaded.GetRoot().GetContainer("contents-table")), (std::vector<KUID>{kA, kB}));
}

// Walking the assets of a loaded archive by index, and finding one, costs a
// step per asset: the archive keeps one view of "assets" instead of making a
// new one (which would walk from the first entry again) for every index.
TEST(CdpArchiveLoad, WalkingManyAssetsIsLinear) {
    constexpr int32_t kCount = 3000;
    VorlexTest::TempDir dir;
    const std::string path = dir / "many.cdp";
    {
        SoupHandle root;
        SoupHandle assets;
        std::vector<KUID> kuids;
        for (int32_t i = 0; i < kCount; ++i) {
            const KUID kuid(1000, i, 0);
            SoupHandle asset = AssetSoup(kuid);
            assets.SetContainer(kuid.ToTagString(), asset);
            kuids.push_back(kuid);
        }
        root.SetContainer("assets", assets);
        SoupHandle contents;
        for (int32_t i = 0; i < kCount; ++i) contents.SetKUID(std::to_string(i).c_str(), kuids[static_cast<std::size_t>(i)]);
        root.SetContainer("contents-table", contents);
        root.SetString("kind", "archive");
        root.SetInt("package-version", 1);
        ASSERT_TRUE(SaveSoupFile(root, Vek::PString(), path.c_str()));
    }
    CdpArchive archive;
    Vek::PString error;
    archive.Load(error, Vek::PString(), path.c_str());
    ASSERT_STREQ(error.c_str(), "");
    const auto* view = dynamic_cast<const TDBBinarySoup*>(archive.GetRoot().Get());
    ASSERT_NE(view, nullptr);
    const TDBBinaryFile* file = view->GetFile();

    const uint64_t viewsBefore = file->ViewsMade();
    const uint64_t entriesBefore = file->EntriesRead();
    ASSERT_EQ(archive.AssetCount(), kCount);
    for (int32_t i = 0; i < archive.AssetCount(); ++i)
        ASSERT_EQ(archive.GetAsset(i).GetKUID(), KUID(1000, i, 0)) << i;
    EXPECT_EQ(archive.FindAsset(KUID(1000, kCount - 1, 0)), kCount - 1);
    EXPECT_EQ(archive.FindAsset(KUID(1000, kCount, 0)), -1);
    // Per asset of each of the three walks: a view of the asset and one of
    // its "kuid", and a few entries read.
    EXPECT_LE(file->ViewsMade() - viewsBefore, 3u * 2u * kCount + 16u);
    EXPECT_LE(file->EntriesRead() - entriesBefore, 3u * 8u * kCount + 64u);
}

}  // namespace

// The tables are built once, when the archive is next looked at or written,
// yet read as if rebuilt after every add: the file is byte for byte the one
// that rebuilding after each add writes, and reading the root between adds
// sees the tables of the assets added so far.
TEST(CdpArchiveAdd, TablesBuiltOnceMatchTablesBuiltAfterEachAdd) {
    VorlexTest::TempDir dir;
    // X obsoletes Y, Y comes first: the table order depends on the asset order.
    SoupHandle y = AssetSoup(kY);
    SoupHandle x = AssetSoup(kX);
    x.SetKUID("obsoletes-kuid", kY);
    SoupHandle a = AssetSoup(kA);
    SoupHandle table = KuidTable({kB, kD});
    a.SetContainer("kuid-table", table);
    const std::vector<SoupHandle> soups{y, a, x, AssetSoup(kB)};

    CdpArchive once;
    CdpArchive each;
    CdpArchive looked;
    Vek::PString error;
    for (std::size_t i = 0; i < soups.size(); ++i) {
        ASSERT_STREQ(once.AddAsset(error, CdpAssetEntry(soups[i])).c_str(), "");
        ASSERT_STREQ(each.AddAsset(error, CdpAssetEntry(soups[i])).c_str(), "");
        each.RebuildTables();
        ASSERT_STREQ(looked.AddAsset(error, CdpAssetEntry(soups[i])).c_str(), "");
        EXPECT_EQ(KuidsOf(looked.GetRoot().GetContainer("contents-table")).size(), i + 1);
    }
    EXPECT_EQ(KuidsOf(looked.GetRoot().GetContainer("kuid-table")), (std::vector<KUID>{kD}));
    EXPECT_EQ(KuidsOf(looked.GetRoot().GetContainer("obsolete-table")), (std::vector<KUID>{kY}));
    ASSERT_STREQ(once.Write(error, (dir / "once.cdp").c_str()).c_str(), "");
    ASSERT_STREQ(each.Write(error, (dir / "each.cdp").c_str()).c_str(), "");
    ASSERT_STREQ(looked.Write(error, (dir / "looked.cdp").c_str()).c_str(), "");
    const std::vector<uint8_t> expected = ReadBytes(dir / "each.cdp");
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(ReadBytes(dir / "once.cdp"), expected);
    EXPECT_EQ(ReadBytes(dir / "looked.cdp"), expected);
}

// The tables of a large archive, whose lists span many blocks: dependencies
// inside and outside the archive, excluded and optional KUIDs, driveable
// traincars, and obsoleted assets that come both before and after the
// assets obsoleting them (each removal from the obsolete list moves the
// last entry of its block into its place). The file's length and CRC-32
// were recorded from the builder that rebuilt every table after each add.
TEST(CdpArchiveTables, LargeArchiveBytesPinned) {
    constexpr int32_t kCount = 900;
    CdpArchive archive;
    Vek::PString error;
    for (int32_t i = 0; i < kCount; ++i) {
        SoupHandle soup = AssetSoup(KUID(1000, i, 0), i % 7 == 0 ? "traincar" : "scenery");
        if (i % 7 == 0) soup.SetInt("engine", i % 14 == 0 ? 1 : 0);
        SoupHandle table = KuidTable({KUID(1000, (i * 37 + 5) % (kCount + 100), 0), KUID(2000, i % 300, 1),
                                      KUID(2001, i / 3, 0)});
        soup.SetContainer("kuid-table", table);
        if (i % 5 == 0) {
            SoupHandle optional = KuidTable({KUID(2001, i / 3, 0)});
            soup.SetContainer("optional-kuid-table", optional);
        }
        soup.SetKUID("bogey", KUID(3000, i % 40, 0));
        SoupHandle mesh;
        mesh.SetString("texture", ("<kuid2:4000:" + std::to_string(i % 250) + ":2>").c_str());
        soup.SetContainer("mesh-table", mesh);
        // Later assets and earlier ones (odd), an earlier asset or itself
        // (multiples of 3) and KUIDs outside the archive made obsolete.
        if (i % 2 == 1) soup.SetKUID("obsoletes-kuid", KUID(1000, (i * 11 + 3) % kCount, 0));
        if (i % 3 == 0) {
            SoupHandle obsolete = KuidTable({KUID(1000, i / 3, 0), KUID(5000, i % 400, 0)});
            soup.SetContainer("obsolete-table", obsolete);
        }
        ASSERT_STREQ(archive.AddAsset(error, CdpAssetEntry(soup)).c_str(), "") << i;
    }
    VorlexTest::TempDir dir;
    ASSERT_STREQ(archive.Write(error, (dir / "large.cdp").c_str()).c_str(), "");
    const std::vector<uint8_t> bytes = ReadBytes(dir / "large.cdp");
    const SoupHandle& root = archive.GetRoot();
    EXPECT_EQ(root.GetContainer("kuid-table").Count(), 983);
    EXPECT_EQ(root.GetContainer("obsolete-table").Count(), 705);
    EXPECT_EQ(bytes.size(), 260169u);
    EXPECT_EQ(ComputeCRC32(bytes.data(), bytes.size()), 0xc672ab86u);
}
