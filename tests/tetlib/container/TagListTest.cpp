// The tags of a container with their index by name: the index answers as a
// walk of the list from its front would, through appends, insertions in
// front and in the middle, renames and emptying.
#include "tetlib/container/TagList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tetlib/container/Tag.h"

namespace {

using namespace TETLib;

// The first tag of the name, found by walking the list.
Tag* Walk(const TagList& list, const Vek::PString& name) {
    for (Tag* tag : list)
        if (tag && tag->name == name) return tag;
    return nullptr;
}

class TagListTest : public ::testing::Test {
protected:
    Tag* Make(const char* name) {
        owned.push_back(std::make_unique<Tag>(static_cast<int32_t>(owned.size()), nullptr, Vek::PString(name)));
        return owned.back().get();
    }
    // The index and the walk agree on every name.
    void ExpectIndexMatchesWalk() const {
        for (const char* name : {"a", "b", "c", "d", "A", ""}) {
            EXPECT_EQ(list.Find(Vek::PString(name)), Walk(list, Vek::PString(name))) << "'" << name << "'";
        }
    }

    std::vector<std::unique_ptr<Tag>> owned;
    TagList list;
};

TEST_F(TagListTest, FindGivesTheFirstTagOfANameThroughEveryChange) {
    Tag* a1 = Make("a");
    Tag* b1 = Make("b");
    Tag* a2 = Make("a");
    list.push_back(a1);
    list.push_back(b1);
    list.push_back(a2);
    list.push_back(nullptr);
    EXPECT_EQ(list.Find(Vek::PString("a")), a1);
    ExpectIndexMatchesWalk();

    // In front (as the identity tags go), in the middle and at the end.
    const std::vector<Tag*> front = {Make("b"), Make("c")};
    list.insert(list.begin(), front.begin(), front.end());
    EXPECT_EQ(list.Find(Vek::PString("b")), front[0]);
    ExpectIndexMatchesWalk();
    const std::vector<Tag*> middle = {Make("a"), Make("d")};
    list.insert(list.begin() + 2, middle.begin(), middle.end());
    EXPECT_EQ(list.Find(Vek::PString("a")), middle[0]);
    ExpectIndexMatchesWalk();
    const std::vector<Tag*> back = {Make("d")};
    list.insert(list.end(), back.begin(), back.end());
    list.push_back(Make("c"));
    EXPECT_EQ(list.Find(Vek::PString("d")), middle[1]);
    ExpectIndexMatchesWalk();

    // Renames: the first of a name renamed away gives way to the next one;
    // a later tag renamed to a name does not go before an earlier one; an
    // earlier one does.
    list.Rename(*middle[0], Vek::PString("A"));
    EXPECT_EQ(list.Find(Vek::PString("a")), a1);
    EXPECT_EQ(middle[0]->name, Vek::PString("A"));
    ExpectIndexMatchesWalk();
    list.Rename(*a2, Vek::PString("b"));
    EXPECT_EQ(list.Find(Vek::PString("b")), front[0]);
    list.Rename(*front[0], Vek::PString("c"));
    EXPECT_EQ(list.Find(Vek::PString("b")), b1);
    EXPECT_EQ(list.Find(Vek::PString("c")), front[0]);
    ExpectIndexMatchesWalk();
    list.Rename(*a1, Vek::PString("b"));
    EXPECT_EQ(list.Find(Vek::PString("a")), nullptr);
    ExpectIndexMatchesWalk();

    // A tag of no list is renamed and nothing else.
    Tag* outside = Make("a");
    list.Rename(*outside, Vek::PString("d"));
    EXPECT_EQ(outside->name, Vek::PString("d"));
    EXPECT_EQ(list.Find(Vek::PString("d")), middle[1]);

    // Emptied, the list finds nothing and starts again.
    const std::vector<Tag*> taken = list.TakeAll();
    EXPECT_EQ(taken.size(), 10u);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.Find(Vek::PString("c")), nullptr);
    list.push_back(b1);
    EXPECT_EQ(list.Find(Vek::PString("b")), b1);
    list.clear();
    ExpectIndexMatchesWalk();
}

}  // namespace
