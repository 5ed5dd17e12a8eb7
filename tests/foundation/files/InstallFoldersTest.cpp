// The installation and user data folders, and the rules that place a path
// in a location or in the user data folder.
#include <gtest/gtest.h>

#include "foundation/files/InstallFolders.h"

namespace {

class InstallFolders : public ::testing::Test {
protected:
    void SetUp() override { SetInstallationFolders("\\games\\vorlex"); }
    void TearDown() override { SetInstallationFolders(nullptr); }
};

}  // namespace

TEST_F(InstallFolders, LocationFoldersLieInTheUserDataOrTheInstallationFolder) {
    EXPECT_EQ(GetUserDataPath().Str(), "\\games\\vorlex\\UserData");
    EXPECT_EQ(GetLocationPath(Vek::PString("editing")).Str(), "\\games\\vorlex\\UserData\\editing");
    EXPECT_EQ(GetLocationPath(Vek::PString("settings")).Str(), "\\games\\vorlex\\UserData\\settings");
    // Location names compare exactly: "Editing" is another location.
    EXPECT_EQ(GetLocationPath(Vek::PString("Editing")).Str(), "\\games\\vorlex\\Editing");
    EXPECT_EQ(GetLocationPath(Vek::PString("base")).Str(), "\\games\\vorlex\\base");
    EXPECT_EQ(GetLocationPath(Vek::PString("data")).Str(), "\\games\\vorlex\\data");
}

TEST_F(InstallFolders, EverythingIsEmptyWhileTheInstallationFolderIsUnknown) {
    SetInstallationFolders("");
    EXPECT_TRUE(GetInstallationPath().IsEmpty());
    EXPECT_TRUE(GetUserDataPath().IsEmpty());
    EXPECT_TRUE(GetLocationPath(Vek::PString("local")).IsEmpty());
    EXPECT_TRUE(GetLocationPath(Vek::PString("base")).IsEmpty());
    EXPECT_FALSE(IsPathInUserData("\\games\\vorlex\\UserData\\local"));
}

TEST_F(InstallFolders, IsPathInUserDataTable) {
    const struct {
        const char* path;
        bool inside;
    } cases[] = {
        {"\\games\\vorlex\\UserData", true},  // U itself
        {"\\games\\vorlex\\userdata\\", true},
        {"/GAMES/Vorlex/USERDATA/local/kuid 1 2", true},  // case and slash direction
        {"\\games\\vorlex\\UserData\\local\\..\\x", true},
        {"\\games\\vorlex\\UserData\\..\\scripts", false},  // ".." climbs out
        {"\\games\\vorlex\\UserData\\local\\..\\..\\scripts", false},
        {"\\games\\vorlex\\UserData2\\x", false},  // a neighbour sharing the prefix
        {"\\games\\vorlex\\scripts", false},
        {"\\games\\vorlex", false},
        {"games\\vorlex\\UserData\\x", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsPathInUserData(c.path), c.inside) << c.path;
}

TEST_F(InstallFolders, GetPathBelowRootGivesTheNormalisedRest) {
    Vek::File::Path relative("untouched");
    EXPECT_TRUE(GetPathBelowRoot("/Games/Vorlex", "\\games\\vorlex\\Local\\Kuid 1 2\\", relative));
    EXPECT_EQ(relative.Str(), "local\\kuid 1 2");

    EXPECT_TRUE(GetPathBelowRoot("\\games\\vorlex", "\\Games\\Vorlex\\", relative));
    EXPECT_TRUE(relative.IsEmpty());

    // Not beginning with the root: the output is left as it was.
    relative = "untouched";
    EXPECT_FALSE(GetPathBelowRoot("\\games\\vorlex", "\\other", relative));
    EXPECT_EQ(relative.Str(), "untouched");

    // Beginning with the root's text but not below it: emptied.
    EXPECT_FALSE(GetPathBelowRoot("\\games\\vorlex", "\\games\\vorlexx\\a", relative));
    EXPECT_TRUE(relative.IsEmpty());

    relative = "untouched";
    EXPECT_FALSE(GetPathBelowRoot("", "\\games", relative));
    EXPECT_TRUE(relative.IsEmpty());

    // A root that is the file-system top.
    EXPECT_TRUE(GetPathBelowRoot("/", "/a/b", relative));
    EXPECT_EQ(relative.Str(), "a\\b");
}
