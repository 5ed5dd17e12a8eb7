// The process-wide cache of resource databases: sharing by name, counts that
// never delete, the purge, and the full table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/resources/ResourceDatabaseRef.h"
#include "assetdb/resources/VorlexResourceDatabase.h"
#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "support/TempDir.h"

using Vek::PString;

namespace {

int32_t References(VorlexResourceDatabase* database) {
    for (const ResourceDatabaseCacheRow& row : GetResourceDatabaseCacheRows())
        if (row.database == database) return row.references;
    return -1;  // not cached
}

std::vector<std::string> RowNames() {
    std::vector<std::string> names;
    for (const ResourceDatabaseCacheRow& row : GetResourceDatabaseCacheRows()) names.push_back(row.name.c_str());
    return names;
}

class ResourceDatabaseCache : public ::testing::Test {
protected:
    void TearDown() override {
        // Every test gives back what it took, so the purge leaves nothing.
        PurgeResourceDatabaseCache();
        EXPECT_TRUE(GetResourceDatabaseCacheRows().empty());
        SetInstallationFolders(nullptr);
    }
    std::string Folder(const std::string& name) const { return m_dir / name; }

    VorlexTest::TempDir m_dir;
};

}  // namespace

TEST_F(ResourceDatabaseCache, ANameIsSharedAndOnlyAPurgeDeletes) {
    const PString local("local");
    VorlexResourceDatabase* first = AcquireResourceDatabase(local, Folder("local").c_str());
    ASSERT_TRUE(first);
    // The path of a later acquisition is not looked at.
    EXPECT_EQ(AcquireResourceDatabase(local, Folder("elsewhere").c_str()), first);
    EXPECT_EQ(References(first), 2);
    EXPECT_EQ(first->GetName(), local);
    EXPECT_EQ(Vek::File::GetSubst(local), Folder("local") + "/");

    ReleaseResourceDatabase(first);
    ReleaseResourceDatabase(first);
    EXPECT_EQ(References(first), 0);
    EXPECT_FALSE(Vek::File::GetSubst(local).empty());  // still there until the purge

    PurgeResourceDatabaseCache();
    EXPECT_EQ(References(first), -1);
    EXPECT_TRUE(Vek::File::GetSubst(local).empty());
}

TEST_F(ResourceDatabaseCache, ReferencesOfUnknownDatabasesAndSurplusReleasesChangeNothing) {
    VorlexResourceDatabase* db = AcquireResourceDatabase(PString("editing"), Folder("editing").c_str());
    ASSERT_TRUE(db);
    VorlexResourceDatabase stranger(PString("stranger"), Folder("stranger").c_str());
    AddResourceDatabaseReference(&stranger);
    ReleaseResourceDatabase(&stranger);
    AddResourceDatabaseReference(nullptr);
    ReleaseResourceDatabase(nullptr);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"editing"}));

    // A count never goes below 0: otherwise the next holder's reference
    // would read as 0 and a purge would delete the database under it.
    ReleaseResourceDatabase(db);
    ReleaseResourceDatabase(db);
    EXPECT_EQ(References(db), 0);
    EXPECT_EQ(AcquireResourceDatabase(PString("editing"), nullptr), db);
    PurgeResourceDatabaseCache();
    EXPECT_EQ(References(db), 1);
    EXPECT_EQ(db->GetName(), PString("editing"));
    ReleaseResourceDatabase(db);

    EXPECT_FALSE(AcquireResourceDatabase(PString(), Folder("x").c_str()));
}

TEST_F(ResourceDatabaseCache, APurgeDeletesEveryUnreferencedRowInOnePass) {
    // Rows: a(0) b(held) c(0) d(0) e(0). The last row fills each gap and the
    // same place is looked at again, so no unreferenced row is skipped.
    std::vector<VorlexResourceDatabase*> dbs;
    for (const char* name : {"a", "b", "c", "d", "e"})
        dbs.push_back(AcquireResourceDatabase(PString(name), Folder(name).c_str()));
    for (std::size_t i : {0u, 2u, 3u, 4u}) ReleaseResourceDatabase(dbs[i]);

    PurgeResourceDatabaseCache();
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"b"}));
    for (const char* name : {"a", "c", "d", "e"}) EXPECT_TRUE(Vek::File::GetSubst(PString(name)).empty()) << name;
    ReleaseResourceDatabase(dbs[1]);
}

TEST_F(ResourceDatabaseCache, AFullTableIsPurgedOnceAndThenRefused) {
    std::vector<VorlexResourceDatabase*> dbs;
    for (int i = 0; i < kResourceDatabaseCacheRows; ++i) {
        const std::string name = "loc" + std::to_string(i);
        dbs.push_back(AcquireResourceDatabase(PString(name.c_str()), Folder(name).c_str()));
        ASSERT_TRUE(dbs.back()) << name;
    }
    const std::vector<std::string> full = RowNames();
    EXPECT_FALSE(AcquireResourceDatabase(PString("one-too-many"), Folder("x").c_str()));
    EXPECT_EQ(RowNames(), full);
    EXPECT_TRUE(Vek::File::GetSubst(PString("one-too-many")).empty());

    // With one row unreferenced, the purge makes room.
    ReleaseResourceDatabase(dbs[7]);
    VorlexResourceDatabase* fits = AcquireResourceDatabase(PString("one-too-many"), Folder("x").c_str());
    ASSERT_TRUE(fits);
    EXPECT_EQ(References(dbs.back()), 1);
    EXPECT_EQ(GetResourceDatabaseCacheRows().size(), static_cast<std::size_t>(kResourceDatabaseCacheRows));
    dbs[7] = fits;
    for (VorlexResourceDatabase* db : dbs) ReleaseResourceDatabase(db);
}

TEST_F(ResourceDatabaseCache, RefOpenNamesTheInstallationFolders) {
    SetInstallationFolders((m_dir.Path() + "/game").c_str());
    const std::string install = m_dir.Path() + "/game/";

    ResourceDatabaseRef none = ResourceDatabaseRef::Open(PString());
    EXPECT_EQ(none.database, nullptr);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.GetName().IsEmpty());

    struct Case {
        const char* location;
        const char* folder;
    } cases[] = {{"base", "Base"}, {"data", "Data"}, {"Local", "Local"}, {"builtin\\abc", "builtin/abc"}};
    std::vector<ResourceDatabaseRef> refs;
    for (const Case& c : cases) {
        refs.push_back(ResourceDatabaseRef::Open(PString(c.location)));
        EXPECT_TRUE(refs.back().ok) << c.location;
        EXPECT_EQ(refs.back().GetName(), PString(c.location));
        EXPECT_EQ(Vek::File::GetSubst(PString(c.location)), install + c.folder + "/") << c.location;
    }
    // "Local" is another interned string than "local": a database of its own.
    ResourceDatabaseRef local = ResourceDatabaseRef::Open(PString("local"));
    EXPECT_NE(local.database, refs[2].database);

    // Assign takes the source's reference before giving its own back.
    ResourceDatabaseRef copy = ResourceDatabaseRef::Open(PString("base"));
    EXPECT_EQ(References(copy.database), 2);
    copy.Assign(copy);
    EXPECT_EQ(References(copy.database), 2);
    copy.Assign(local);
    EXPECT_EQ(References(refs[0].database), 1);
    EXPECT_EQ(References(local.database), 2);
    copy.Release();
    copy.Clear();
    EXPECT_EQ(copy.database, nullptr);
    EXPECT_FALSE(copy.ok);

    local.Release();
    for (ResourceDatabaseRef& ref : refs) ref.Release();
}
