// Folder listings: order, attributes, wildcards.
#include <gtest/gtest.h>
#include <unistd.h>

#include "FileTestSupport.h"
#include "engine/File.h"
#include "support/TempDir.h"

using FileTest::Listing;
using FileTest::WriteText;
using Vek::File;

class FileFind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        WriteText(dir / "List/b.txt", "12345");
        WriteText(dir / "List/A.TXT", "");
        WriteText(dir / "List/.hidden", "");
        WriteText(dir / "List/!first", "");
        WriteText(dir / "List/_x", "");
        WriteText(dir / "List/Sub/inner.gs", "");
        ASSERT_EQ(::symlink((dir / "List/Sub").c_str(), (dir / "List/zlink").c_str()), 0);
        ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (dir / "List/zdangling").c_str()), 0);
    }
    VorlexTest::TempDir dir;
};

TEST_F(FileFind, ListsDotsFirstThenByNameWithAttributes) {
    File::Find find;
    ASSERT_TRUE(find.Open((dir / "list/*").c_str()));
    struct Expected {
        const char* name;
        uint32_t attributes;
        int64_t size;
    } expected[] = {
        {".", File::kAttributeDirectory, 0},      {"..", File::kAttributeDirectory, 0},
        {"!first", File::kAttributeNormal, 0},    {".hidden", File::kAttributeHidden, 0},
        {"A.TXT", File::kAttributeNormal, 0},     {"Sub", File::kAttributeDirectory, 0},
        {"_x", File::kAttributeNormal, 0},        {"b.txt", File::kAttributeNormal, 5},
        {"zdangling", File::kAttributeNormal, 0}, {"zlink", File::kAttributeDirectory, 0},
    };
    for (const Expected& e : expected) {
        EXPECT_STREQ(find.GetName(), e.name);
        EXPECT_EQ(find.GetAttributes(), e.attributes) << e.name;
        EXPECT_EQ(find.GetSize(), e.size) << e.name;
        EXPECT_EQ(find.IsDirectory(), (e.attributes & File::kAttributeDirectory) != 0) << e.name;
        find.Next();
    }
    EXPECT_STREQ(find.GetName(), "");
    EXPECT_EQ(find.GetAttributes(), 0u);
    EXPECT_FALSE(find.Next());
}

TEST_F(FileFind, WildcardPatterns) {
    using Names = std::vector<std::string>;
    struct {
        const char* pattern;
        Names names;
    } cases[] = {
        {"*.*", {".", "..", "!first", ".hidden", "A.TXT", "Sub", "_x", "b.txt", "zdangling", "zlink"}},
        {"*.txt", {"A.TXT", "b.txt"}},
        {"?.TxT", {"A.TXT", "b.txt"}},
        {"S*", {"Sub"}},
        {"*x*", {"A.TXT", "_x", "b.txt"}},
        {"b.txt", {"b.txt"}},
        {"*.*t", {"A.TXT", "b.txt"}},
        {"SUB\\*.GS", {"inner.gs"}},
        {"zlink/*", {".", "..", "inner.gs"}},
    };
    for (const auto& c : cases) {
        File::Find find;
        ASSERT_TRUE(find.Open((dir / "LIST/" + c.pattern).c_str())) << c.pattern;
        EXPECT_EQ(Listing(find), c.names) << c.pattern;
    }
}

TEST_F(FileFind, SearchesThatCannotStart) {
    File::Find find;
    EXPECT_FALSE(find.Open((dir / "list/*.gsl").c_str()));  // nothing matches
    EXPECT_FALSE(find.Open((dir / "missing/*").c_str()));
    EXPECT_FALSE(find.Open((dir / "list/b.txt/*").c_str()));
    EXPECT_FALSE(find.Open((dir / "list/").c_str()));
    EXPECT_FALSE(find.Open(nullptr));
    EXPECT_STREQ(find.GetName(), "");
}

TEST_F(FileFind, APatternWithoutFolderListsTheCurrentDirectory) {
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir((dir / "List/Sub").c_str()), 0);
    File::Find find;
    ASSERT_TRUE(find.Open("*"));
    EXPECT_EQ(Listing(find), (std::vector<std::string>{".", "..", "inner.gs"}));
    ASSERT_EQ(::chdir(saved), 0);
}
