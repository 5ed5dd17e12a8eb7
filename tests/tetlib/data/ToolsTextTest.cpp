#include "tetlib/ToolsText.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "foundation/soups/SoupFiles.h"
#include "support/SourceTree.h"

namespace {

using TETLib::FormatToolsText;
using TETLib::ToolsTextArg;

TEST(ToolsTextTest, TheFormatterTakesOnlyItsThreeConversions) {
    struct Case {
        const char* format;
        std::vector<ToolsTextArg> args;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"'%s' in '%s'", {"tag", "container"}, "'tag' in 'container'"},
        {"%d of %d", {3, 7}, "3 of 7"},
        {"between %f and %f", {1.0, 10}, "between 1.000000 and 10.000000"},
        {"%s=%s", {2.5, 4}, "2.5=4"},
        {"%d", {9.75}, "9"},
        {"missing '%s' and '%d'", {}, "missing '' and ''"},
        {"one %s", {"a", "surplus"}, "one a"},
        {"100%% sure of %s", {"it"}, "100% sure of it"},
        {"%n %x %5d %-s %", {"a"}, "%n %x %5d %-s %"},
        {"%s%", {"end"}, "end%"},
        {"no conversions", {"a"}, "no conversions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatToolsText(c.format, c.args), c.expected);
    }
    EXPECT_EQ(FormatToolsText(nullptr, {"a"}), "");
    // Without an interface-text table the key itself is the format.
    EXPECT_STREQ(TETLib::LocalisedToolsText("$tet_val_notwithinrange", {"speed", 1.0, 10.0}).c_str(),
                 "$tet_val_notwithinrange");
    ASSERT_NE(TETLib::FindToolsTextKey("$tet_val_notwithinrange"), nullptr);
    EXPECT_STREQ(TETLib::FindToolsTextKey("$tet_val_notwithinrange")->conversions, "sff");
    EXPECT_EQ(TETLib::FindToolsTextKey("$tet_no_such_key"), nullptr);
    EXPECT_EQ(TETLib::ToolsTextConversions("%s %% %d %5d %f%"), "sdf");
    EXPECT_EQ(TETLib::ToolsTextParameters("at '$(file_path)' in $(ARCHIVE) $(open"),
              (std::vector<std::string>{"FILE_PATH", "ARCHIVE"}));
}

// Every key the tools report has a text in the shipped English table whose
// placeholders are exactly the arguments its callers pass (ToolsTextKeys).
TEST(ToolsTextTest, ShippedTextsMatchTheirCallersArguments) {
    SoupHandle table;
    ASSERT_TRUE(LoadSoupFile(table, Vek::PString(), SourceTreePath("data/Data/InterfaceText.txt").c_str()));
    std::set<std::string> seen;
    for (const TETLib::ToolsTextKey& key : TETLib::ToolsTextKeys()) {
        SCOPED_TRACE(key.key);
        EXPECT_TRUE(seen.insert(key.key).second) << "listed twice";
        const Vek::PString text = table.GetString(Vek::PString(key.key));
        ASSERT_FALSE(text.IsEmpty()) << "no text";
        EXPECT_EQ(TETLib::ToolsTextConversions(text.c_str()), key.conversions) << text.c_str();
        std::string parameters;
        for (const std::string& name : TETLib::ToolsTextParameters(text.c_str()))
            parameters += (parameters.empty() ? "" : ";") + name;
        EXPECT_EQ(parameters, key.parameters) << text.c_str();
    }

    // And every "$tet_" or "$vadtexture_" key of the table is one of them.
    for (int32_t i = 0; i < table.Count(); ++i) {
        const std::string name = table.GetTagName(i).c_str();
        if (name.rfind("$tet_", 0) == 0 || name.rfind("$vadtexture_", 0) == 0) {
            EXPECT_TRUE(seen.count(name)) << name << " is not listed";
        }
    }
}

}  // namespace
