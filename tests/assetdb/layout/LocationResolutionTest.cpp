// Turning absolute paths back into a location and a path inside it.
#include <gtest/gtest.h>

#include <string>

#include "assetdb/layout/InstallLayout.h"
#include "assetdb/layout/LocationResolution.h"

TEST(LocationResolution, ResolveLocationFromPathTable) {
    SetInstallationFolders("\\games\\vorlex");
    const struct {
        const char* location;
        const char* path;
        bool resolved;
        const char* expectedLocation;
        const char* expectedPath;
    } cases[] = {
        {"", "\\games\\vorlex\\UserData\\local\\kuid 1 2\\config.txt", true, "local", "kuid 1 2\\config.txt"},
        {"", "/GAMES/Vorlex/userdata/Editing/Kuid 1 2/Mesh.IM", true, "editing", "kuid 1 2\\mesh.im"},
        {"", "\\games\\vorlex\\UserData\\local", true, "local", ""},
        {"", "\\games\\vorlex\\UserData", false, "", ""},  // U itself
        {"", "\\games\\vorlex\\UserData\\", false, "", ""},
        {"", "\\games\\vorlex\\builtin\\Pack1\\kuid 3 4\\config.txt", true, "builtin\\pack1", "kuid 3 4\\config.txt"},
        {"", "\\games\\vorlex\\base\\kuid 5 6", true, "base", "kuid 5 6"},
        {"", "\\games\\vorlex\\Data\\InterfaceText.txt", true, "data", "interfacetext.txt"},
        {"", "\\games\\vorlex\\UserData\\local\\..\\..\\base\\x", true, "base", "x"},  // ".." collapsed first
        {"", "\\games\\vorlex\\UserData2\\local\\x", false, "", ""},
        {"", "\\games\\vorlex\\scripts\\x.gs", false, "", ""},
        {"", "\\elsewhere\\x", false, "", ""},
        {"", "", false, "", ""},
        {"local", "anything at all", true, "local", "anything at all"},  // a given location is kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.location) + " | " + c.path);
        Vek::PString location(c.location);
        Vek::File::Path path(c.path);
        EXPECT_EQ(ResolveLocationFromPath(location, path), c.resolved);
        EXPECT_STREQ(location.c_str(), c.expectedLocation);
        EXPECT_EQ(path.Str(), c.expectedPath);
    }
    SetInstallationFolders(nullptr);
}

TEST(LocationResolution, NothingResolvesWhileTheInstallationFolderIsUnknown) {
    SetInstallationFolders(nullptr);
    Vek::PString location("local");
    Vek::File::Path path("kuid 1 2");
    EXPECT_FALSE(ResolveLocationFromPath(location, path));
    EXPECT_TRUE(location.IsEmpty());
    EXPECT_TRUE(path.IsEmpty());
}
