#include "tetlib/DataManager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "assetdb/resources/ResourceDatabaseCache.h"
#include "foundation/files/InstallFolders.h"
#include "support/TempDir.h"
#include "tetlib/MeshHolder.h"

namespace {

using TETLib::Container;
using TETLib::DataManager;
using TETLib::Tag;

int g_slots[8];
Container* ContainerAt(int i) { return reinterpret_cast<Container*>(&g_slots[i]); }
Tag* TagAt(int i) { return reinterpret_cast<Tag*>(&g_slots[i]); }

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FakeMesh : public TETLib::MeshHolder {
public:
    FakeMesh(std::vector<std::string> points, int* deleted) : m_points(std::move(points)), m_deleted(deleted) {}
    ~FakeMesh() override { ++*m_deleted; }
    bool HasAttachmentPoint(const Vek::PString& name) const override {
        for (const std::string& point : m_points)
            if (point == name.c_str()) return true;
        return false;
    }
    void SetVisible(bool visible) override { this->visible = visible; }
    bool visible = false;

private:
    std::vector<std::string> m_points;
    int* m_deleted;
};

// A data manager over a fixture data folder of the test's own.
class DataManagerTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(Folder()); }
    void TearDown() override {
        DataManager::Destroy();
        EXPECT_FALSE(DataManager::Exists());
        SetInstallationFolders("");
        PurgeResourceDatabaseCache();
    }
    std::string Folder() const { return m_dir / "ZIROzod"; }
    DataManager* Make() {
        DataManager::Create((Folder() + "/").c_str());
        return DataManager::Instance();
    }

    VorlexTest::TempDir m_dir;
};

TEST_F(DataManagerTest, DefinitionsMergeInFileOrderAndLaterFilesReplace) {
    WriteFile(Folder() + "/inheritance.txt", "base\n{\n  from \"inheritance\"\n}\nmesh\n{\n  from \"inheritance\"\n}\n");
    WriteFile(Folder() + "/kind.txt",
              "mesh\n{\n  from \"kind\"\n}\nscenery\n{\n  top-level 1\n}\nplain 5\n");
    WriteFile(Folder() + "/container.txt", "mesh\n{\n  from \"container\"\n}\neffects\n{\n  from \"container\"\n}\n");
    WriteFile(Folder() + "/lists/empty.txt", "");
    DataManager* manager = Make();
    ASSERT_TRUE(manager->LoadDefinitions());

    const SoupHandle definitions = manager->GetDefinitions();
    std::vector<std::string> names;
    for (int32_t i = 0; i < definitions.Count(); ++i) names.push_back(definitions.GetTagName(i).c_str());
    // "mesh" once, with the value of "container.txt", after every entry of
    // the two earlier files; a value that is no container counts as an
    // empty one.
    const std::vector<std::string> expected = {"base", "scenery", "plain", "mesh", "effects"};
    EXPECT_EQ(names, expected);
    EXPECT_STREQ(manager->GetDefinition("mesh").GetString("from").c_str(), "container");
    EXPECT_STREQ(manager->GetDefinition("base").GetString("from").c_str(), "inheritance");
    EXPECT_EQ(manager->GetDefinition("plain").Count(), 0);
    EXPECT_FALSE(manager->GetDefinition("plain").IsEmpty());
    EXPECT_TRUE(manager->GetDefinition("unknown").IsEmpty());

    // Loaded once: a changed file is not read again.
    WriteFile(Folder() + "/container.txt", "other\n{\n}\n");
    EXPECT_TRUE(manager->LoadDefinitions());
    EXPECT_TRUE(manager->GetDefinition("other").IsEmpty());
}

TEST_F(DataManagerTest, DefinitionsAndListsReportWhatIsMissing) {
    // No definition files at all: false, and the lists are not read.
    WriteFile(Folder() + "/lists/a.txt", "x y\n");
    DataManager* manager = Make();
    EXPECT_FALSE(manager->LoadDefinitions());
    EXPECT_EQ(manager->GetList("a.txt"), nullptr);
    // The failure is not retried: the second call answers at once.
    WriteFile(Folder() + "/kind.txt", "scenery\n{\n  top-level 1\n}\n");
    EXPECT_TRUE(manager->LoadDefinitions());
    EXPECT_TRUE(manager->GetDefinition("scenery").IsEmpty());
}

TEST_F(DataManagerTest, ListLinesSplitAtTheirFirstSpace) {
    struct Case {
        const char* line;
        const char* key;
        const char* value;
    };
    const std::vector<Case> cases = {
        {"one", "one", ""},
        {"one\r\n", "one", ""},
        {"one two\n", "one", "two"},
        {"one two\r\n", "one", "two"},
        {"one two three\r\n", "one", "two three"},
        {"one two three", "one", "two three"},
        {"one ", "one ", ""},           // the space is the last character: no split
        {"one \r\n", "one", "\r"},       // the value keeps its first character
        {"\r\n", "\r", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.line)));
        const TETLib::ListEntry entry = TETLib::SplitListLine(c.line);
        EXPECT_STREQ(entry.key.c_str(), c.key);
        EXPECT_STREQ(entry.value.c_str(), c.value);
    }

    // Read from the "lists" folder: one vector per file, named with its
    // extension, one entry per line; a line longer than a read comes in
    // pieces.
    WriteFile(Folder() + "/kind.txt", "scenery\n{\n  top-level 1\n}\n");
    WriteFile(Folder() + "/lists/region.txt", "UK United Kingdom\r\nDE Germany\r\nlonely\r\n");
    WriteFile(Folder() + "/lists/long.txt", std::string(300, 'x') + "\n");
    DataManager* manager = Make();
    ASSERT_TRUE(manager->LoadDefinitions());
    const std::vector<TETLib::ListEntry>* region = manager->GetList("region.txt");
    ASSERT_NE(region, nullptr);
    ASSERT_EQ(region->size(), 3u);
    EXPECT_STREQ((*region)[0].key.c_str(), "UK");
    EXPECT_STREQ((*region)[0].value.c_str(), "United Kingdom");
    EXPECT_STREQ((*region)[2].key.c_str(), "lonely");
    EXPECT_STREQ((*region)[2].value.c_str(), "");
    const std::vector<TETLib::ListEntry>* longList = manager->GetList("long.txt");
    ASSERT_NE(longList, nullptr);
    ASSERT_EQ(longList->size(), 2u);
    EXPECT_EQ((*longList)[0].key.Length(), DataManager::kListLineBytes - 1);
    EXPECT_EQ((*longList)[1].key.Length(), 300 - (DataManager::kListLineBytes - 1));
}

TEST_F(DataManagerTest, PersonalDetailsRoundTripThroughAReplacedFile) {
    const std::string file = Folder() + "/personalDetails.txt";
    {
        DataManager* manager = Make();
        // No file yet: the defaults.
        EXPECT_TRUE(manager->GetPersonalDetails().author.IsEmpty());
        EXPECT_TRUE(manager->GetPersonalDetails().isInputBoxOn);
        TETLib::PersonalDetails details;
        details.author = "Ann Author";
        details.license = "CC-BY";
        details.organisation = "Org";
        details.email = "ann@example.invalid";
        details.website = "example.invalid";
        details.isInputBoxOn = false;
        manager->SetPersonalDetails(details);
        DataManager::Destroy();
    }
    ASSERT_TRUE(std::filesystem::exists(file));
    // Only the details file is left: the temporary one was renamed.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);

    {
        DataManager* manager = Make();
        const TETLib::PersonalDetails& details = manager->GetPersonalDetails();
        EXPECT_STREQ(details.author.c_str(), "Ann Author");
        EXPECT_STREQ(details.license.c_str(), "CC-BY");
        EXPECT_STREQ(details.organisation.c_str(), "Org");
        EXPECT_STREQ(details.email.c_str(), "ann@example.invalid");
        EXPECT_STREQ(details.website.c_str(), "example.invalid");
        EXPECT_FALSE(details.isInputBoxOn);
        // An existing file is rewritten at every shutdown.
        TETLib::PersonalDetails changed = details;
        changed.author = "Bob";
        manager->SetPersonalDetails(changed);
        DataManager::Destroy();
    }
    EXPECT_NE(ReadFile(file).find("Bob"), std::string::npos);
}

// Shutdown writes the details only when their bytes would change: an
// unchanged file keeps its inode (a rewrite renames a new file into place),
// one in another layout is written in the program's own.
TEST_F(DataManagerTest, UnchangedDetailsAreNotRewritten) {
    const std::string file = Folder() + "/personalDetails.txt";
    auto inode = [&file] {
        struct stat info {};
        return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    Make();
    DataManager::Destroy();
    const std::string written = ReadFile(file);
    const auto first = inode();
    ASSERT_NE(first, 0u);

    Make();
    EXPECT_TRUE(DataManager::Instance()->SavePersonalDetails());
    DataManager::Destroy();
    EXPECT_EQ(inode(), first);
    EXPECT_EQ(ReadFile(file), written);

    WriteFile(file, "author \"Ann\"\n");
    Make();
    DataManager::Destroy();
    EXPECT_NE(inode(), first);
    EXPECT_NE(ReadFile(file).find("isinputboxon"), std::string::npos);
}

TEST_F(DataManagerTest, UnreadableDetailsAreLeftAloneAndAMissingFolderIsNoFailure) {
    const std::string file = Folder() + "/personalDetails.txt";
    // Nesting deeper than the soup reader takes: the file cannot be read.
    std::string damaged = "author \"kept\"\n";
    for (int i = 0; i < 2000; ++i) damaged += "n\n{\n";
    WriteFile(file, damaged);
    DataManager* manager = Make();
    EXPECT_TRUE(manager->GetPersonalDetails().author.IsEmpty());
    EXPECT_FALSE(manager->SavePersonalDetails());
    DataManager::Destroy();
    EXPECT_EQ(ReadFile(file), damaged);

    // An empty file holds nothing to keep: the defaults are written.
    WriteFile(file, "");
    manager = Make();
    DataManager::Destroy();
    EXPECT_NE(ReadFile(file).find("isinputboxon"), std::string::npos);

    // Without a data folder nothing is read, and shutdown writes nothing.
    DataManager::Create((m_dir / "missing/").c_str());
    manager = DataManager::Instance();
    EXPECT_FALSE(manager->SavePersonalDetails());
    DataManager::Destroy();
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing"));
}

TEST_F(DataManagerTest, ANewCurrentAssetClearsTheAliasFlag) {
    const std::string install = m_dir / "install";
    std::filesystem::create_directories(install + "/UserData/local/a");
    SetInstallationFolders(install.c_str());
    DataManager* manager = Make();

    manager->SetCurrentAsset("local", "a");
    EXPECT_FALSE(manager->IsAliasAsset());
    EXPECT_NE(manager->GetAssetDatabase(), nullptr);
    manager->SetAliasAsset(true);  // as the load of an alias asset does
    manager->SetCurrentAsset("local", "b");
    EXPECT_FALSE(manager->IsAliasAsset());
    EXPECT_STREQ(manager->GetAssetLocation().c_str(), "local");
    EXPECT_STREQ(manager->GetAssetPath().c_str(), "b");

    // An absolute folder with no location is resolved.
    manager->SetCurrentAsset("", (install + "/UserData/local/a").c_str());
    EXPECT_STREQ(manager->GetAssetLocation().c_str(), "local");
    EXPECT_STREQ(manager->GetAssetPath().c_str(), "a");

    // The build code as checks compare it.
    EXPECT_EQ(manager->GetAssetBuildCode(), 350);
    manager->SetAssetBuild(2.9f);
    EXPECT_EQ(manager->GetAssetBuildCode(), 290);
}

TEST_F(DataManagerTest, MeshesAndTheRootContainerFollowTheirContainers) {
    DataManager* manager = Make();
    int deleted = 0;
    auto first = std::make_unique<FakeMesh>(std::vector<std::string>{"a.front"}, &deleted);
    auto second = std::make_unique<FakeMesh>(std::vector<std::string>{"a.back"}, &deleted);
    FakeMesh* firstMesh = first.get();
    FakeMesh* secondMesh = second.get();
    manager->SetRootContainer(ContainerAt(0));
    manager->RegisterMesh(ContainerAt(0), std::move(first));
    EXPECT_TRUE(firstMesh->visible);
    manager->RegisterMesh(ContainerAt(1), std::move(second));
    EXPECT_FALSE(firstMesh->visible);
    EXPECT_TRUE(secondMesh->visible);
    EXPECT_EQ(manager->GetCurrentMesh(), secondMesh);

    // Attachment points of loaded meshes count as entries of any source;
    // an unknown source is left as an empty list.
    EXPECT_TRUE(manager->IsKnownSourceEntry("a.back", "attachment"));
    EXPECT_FALSE(manager->IsKnownSourceEntry("a.side", "nosuchsource"));
    ASSERT_NE(manager->GetSourceContainers("nosuchsource"), nullptr);
    EXPECT_TRUE(manager->GetSourceContainers("nosuchsource")->empty());
    manager->RegisterSourceContainer("mesh-table", ContainerAt(2), "default");
    EXPECT_TRUE(manager->IsKnownSourceEntry("default", "mesh-table"));
    manager->ClearSourceContainers("mesh-table");
    EXPECT_FALSE(manager->IsKnownSourceEntry("default", "mesh-table"));

    // The destroyed current holder's container: holder gone, current
    // cleared. The destroyed root: no longer the root.
    manager->RemoveContainerMesh(ContainerAt(1));
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(manager->GetCurrentMesh(), nullptr);
    EXPECT_EQ(manager->GetRootContainer(), ContainerAt(0));
    manager->RemoveContainerMesh(ContainerAt(0));
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(manager->GetRootContainer(), nullptr);

    manager->RegisterMesh(ContainerAt(3), std::make_unique<FakeMesh>(std::vector<std::string>{}, &deleted));
    manager->ReleaseLoadedMeshes();
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(manager->GetContainerMesh(ContainerAt(3)), nullptr);
}

TEST_F(DataManagerTest, TagRegistrationsAndTheirRemoval) {
    DataManager* manager = Make();
    manager->RegisterUniqueAttachmentTag(TagAt(0));
    manager->RegisterUniqueAttachmentTag(TagAt(0));
    manager->RegisterAttachmentTag(TagAt(1));
    manager->RegisterAttachmentTag(TagAt(1));
    manager->RegisterSourceUser("mesh-table", TagAt(1));
    manager->RegisterSourceUser("queues", TagAt(1));
    manager->RegisterSourceUser("queues", TagAt(2));
    EXPECT_EQ(manager->GetUniqueAttachmentTags().size(), 1u);
    EXPECT_EQ(manager->GetAttachmentTags().size(), 2u);

    manager->RemoveTagRegistrations(TagAt(1));
    EXPECT_TRUE(manager->GetAttachmentTags().empty());
    EXPECT_TRUE(manager->GetSourceUsers("mesh-table")->empty());
    ASSERT_EQ(manager->GetSourceUsers("queues")->size(), 1u);
    EXPECT_EQ(manager->GetSourceUsers("queues")->front(), TagAt(2));
    EXPECT_EQ(manager->GetUniqueAttachmentTags().size(), 1u);
}

TEST(DataManagerDeathTest, InstanceWithoutCreateIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(DataManager::Instance(), testing::ExitedWithCode(1), "datamanger not initialised");
}

}  // namespace
