// Loading native plug-ins from the installation's "bin/plugins" folder, and
// the native interface objects that cross to them.
#include <gtest/gtest.h>

#include <string>

#include "VorlexNativeInterface.h"
#include "gsnatives/NativePlugins.h"
#include "gsnatives/support/PluginFolder.h"

using namespace GSNatives;
using GSNativesTest::PluginFolder;

namespace {

// Calls `function` of `library` without arguments; the answer's text, or
// "<null>" when the answer is no string.
std::string CallText(VNIObject* library, const char* function, VNIObject* arguments = nullptr) {
    VNIObject* name = VNIAllocString(function);
    VNIObject* answer = VNICallLibraryFunction(library, name, arguments);
    VNIRelease(name);
    const char* text = VNIGetStringText(answer);
    std::string result = text ? text : "<null>";
    VNIRelease(answer);
    return result;
}

struct PluginTest : ::testing::Test {
    PluginFolder folder;
    VNIObject* context = VNIAllocContext();
    ~PluginTest() override { VNIRelease(context); }
};

}  // namespace

TEST_F(PluginTest, LoadsFromThePluginsFolderAndCallsInitOnce) {
    const std::string path = folder.InstallPlugin("EchoPlugin", "Echo");
    // The name resolves without regard to case, as asset names do.
    VNIObject* library = LoadNativePlugin(context, "echo");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(VNIGetObjectClass(library), VNI_CLASS_LIBRARY);
    EXPECT_EQ(CallText(library, "InitCount"), "1");
    EXPECT_TRUE(PluginFolder::IsLoaded(path));
    VNIRelease(library);
    // Releasing the library leaves the module loaded.
    EXPECT_TRUE(PluginFolder::IsLoaded(path));
}

TEST_F(PluginTest, FailuresGiveNullAndLeaveNothingLoaded) {
    struct Case {
        const char* plugin;  // installed under "bin/plugins/<name>.so"; null: nothing installed
        const char* name;
    };
    const Case cases[] = {
        {"NoEntryPlugin", "noentry"},
        {"RefusingPlugin", "refusing"},
        {"WrongClassPlugin", "wrongclass"},  // answers a string, not a library
        {nullptr, "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        if (c.plugin) path = folder.InstallPlugin(c.plugin, c.name);
        EXPECT_EQ(LoadNativePlugin(context, c.name), nullptr);
        if (c.plugin) {
            EXPECT_FALSE(PluginFolder::IsLoaded(path));
        }
    }
}

TEST_F(PluginTest, NamesThatLeaveThePluginsFolderAreRefused) {
    // A working plug-in that each name below would reach if it were used as
    // a path.
    const std::string outside = folder.Install("EchoPlugin", "bin/evil.so");
    folder.Install("EchoPlugin", "evil.so");
    folder.InstallPlugin("EchoPlugin", "sub/evil");
    const std::string absolute = outside.substr(0, outside.size() - 3);
    for (const char* name : {"../evil", "..\\evil", "../../evil", "sub/evil", "sub\\evil", absolute.c_str(), "..",
                             ".", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsPluginNameSafe(name));
        EXPECT_EQ(LoadNativePlugin(context, name), nullptr);
    }
    EXPECT_FALSE(IsPluginNameSafe(nullptr));
    EXPECT_FALSE(PluginFolder::IsLoaded(outside));
    EXPECT_TRUE(IsPluginNameSafe("my..plugin"));
}

TEST_F(PluginTest, NothingLoadsWithoutAnInstallationFolder) {
    folder.InstallPlugin("EchoPlugin", "echo");
    SetInstallationFolders("");
    EXPECT_EQ(LoadNativePlugin(context, "echo"), nullptr);
}

TEST_F(PluginTest, ReleasingAContextEmptiesItsSlots) {
    folder.InstallPlugin("EchoPlugin", "echo");
    VNIObject* library = LoadNativePlugin(context, "echo");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(CallText(library, "Park"), "<null>");
    for (uint32_t slot = 0; slot < VNI_CONTEXT_SLOT_COUNT; ++slot) {
        VNIObject* parked = VNIGetContextSlot(context, slot);
        EXPECT_STREQ(VNIGetStringText(parked), "parked");
        VNIRelease(parked);
    }
    ReleasePluginContext(context);
    for (uint32_t slot = 0; slot < VNI_CONTEXT_SLOT_COUNT; ++slot) EXPECT_EQ(VNIGetContextSlot(context, slot), nullptr);
    VNIRelease(library);
}

TEST(NativeInterface, ArraysHoldTheirOwnReferences) {
    VNIObject* array = VNIAllocArray(3);
    ASSERT_EQ(VNIGetArrayLength(array), 3u);
    VNIObject* text = VNIAllocString("a");
    EXPECT_EQ(VNISetArrayElement(array, 0, text), 1);
    VNIRelease(text);  // the array keeps the string alive
    VNIObject* nullText = VNIAllocString(nullptr);
    EXPECT_EQ(VNIGetObjectClass(nullText), VNI_CLASS_STRING);
    EXPECT_EQ(VNIGetStringText(nullText), nullptr);
    EXPECT_EQ(VNISetArrayElement(array, 1, nullText), 1);
    VNIRelease(nullText);
    EXPECT_EQ(VNISetArrayElement(array, 3, nullptr), 0);

    VNIObject* first = VNIGetArrayElement(array, 0);
    EXPECT_STREQ(VNIGetStringText(first), "a");
    VNIRelease(first);
    EXPECT_EQ(VNIGetArrayElement(array, 2), nullptr);
    EXPECT_EQ(VNIGetArrayElement(array, 7), nullptr);
    // Calls on handles of the wrong class answer nothing.
    EXPECT_EQ(VNIGetStringText(array), nullptr);
    EXPECT_EQ(VNICallLibraryFunction(array, array, nullptr), nullptr);
    EXPECT_EQ(VNIGetObjectClass(nullptr), VNI_CLASS_NONE);
    VNIRelease(array);
    VNIRelease(nullptr);
}
