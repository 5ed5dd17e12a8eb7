// The asset search (operation 2): filter trees written out by hand, evaluated
// over a small store of committed assets, an obsoleted one, a consist and a
// draft that was never committed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assetdb/categories/CategoryClassList.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

// Tagged elements: the tag's int32 goes out little-endian ('grup' as "purg").
Bytes Group(bool matchAll, bool negated, const std::vector<Bytes>& children) {
    Bytes bytes = Hex("70757267") + Bytes{static_cast<uint8_t>(matchAll), static_cast<uint8_t>(negated)} +
                  Le32(static_cast<int32_t>(children.size()));
    for (const Bytes& child : children) bytes = bytes + child;
    return bytes;
}
Bytes Flag(int32_t field) { return Hex("6c6f6f62") + Le32(field); }
Bytes Words(int32_t field, const std::string& value, bool quoted = false) {
    return Hex("6e727473") + Le32(field) + (value.empty() ? Le32(0) : Interned(value)) +
           Bytes{static_cast<uint8_t>(quoted)};
}
Bytes Found(const std::vector<Bytes>& kuids) {
    Bytes bytes = Le32(static_cast<int32_t>(kuids.size()));
    for (const Bytes& kuid : kuids) bytes = bytes + kuid;
    return bytes;
}

constexpr int32_t kLocal = 0, kLocallyAvailable = 3, kObsolete = 5, kListingPrivilege = 16;
constexpr int32_t kName = 0, kCategory = 1;

class StoreSearch : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Connect(m_link));
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 100), "kuid 3 100",
                                        "kuid <kuid:3:100>\nusername \"Blue Loco\"\ncategory-class \"TR;LOC\"\n"));
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 200), "kuid 3 200",
                                        "kuid <kuid:3:200>\nusername \"Old Wagon\"\ncategory-class \"TV\"\n"));
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 300), "kuid 3 300",
                                        "kuid <kuid:3:300>\nusername \"New Wagon\"\ncategory-class \"TV\"\n"
                                        "obsolete-table\n{\n  0 <kuid:3:200>\n}\n"));
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 400), "kuid 3 400",
                                        "kuid <kuid:3:400>\nkind \"consist\"\nusername \"My Train\"\n"));
        ASSERT_GT(StoreTest::Create(m_link, Kuid(3, 600), "Draft Wagon"), 0);
    }

    RawLink m_link;
};

TEST_F(StoreSearch, FilterTreesSelectFromTheStore) {
    const struct {
        const char* what;
        Bytes filter;
        Bytes found;
    } cases[] = {
        {"the empty group matches everything", Group(true, false, {}),
         Found({Kuid(3, 100), Kuid(3, 200), Kuid(3, 300), Kuid(3, 400), Kuid(3, 600)})},
        {"local leaves the draft out", Flag(kLocal), Found({Kuid(3, 100), Kuid(3, 200), Kuid(3, 300), Kuid(3, 400)})},
        {"a category and local", Group(true, false, {Words(kCategory, "TV"), Flag(kLocal)}),
         Found({Kuid(3, 200), Kuid(3, 300)})},
        {"obsolete", Flag(kObsolete), Found({Kuid(3, 200)})},
        {"a category without the obsolete ones",
         Group(true, false, {Words(kCategory, "TV"), Group(true, true, {Flag(kObsolete)})}), Found({Kuid(3, 300)})},
        {"the existing consists: a consist without a class counts as CN",
         Group(true, false,
               {Words(kCategory, "CN"), Flag(kLocal), Flag(kLocallyAvailable), Flag(kListingPrivilege),
                Group(true, true, {Flag(kObsolete)})}),
         Found({Kuid(3, 400)})},
        {"a pattern with alternatives", Words(kCategory, "TR;LOC|CN"), Found({Kuid(3, 100), Kuid(3, 400)})},
        {"a negated code", Group(true, false, {Words(kCategory, "-TV"), Flag(kLocal)}),
         Found({Kuid(3, 100), Kuid(3, 400)})},
        {"any one child of a group without match-all",
         Group(false, false, {Words(kCategory, "CN"), Flag(kObsolete)}), Found({Kuid(3, 200), Kuid(3, 400)})},
        {"a name, ignoring case", Words(kName, "wagon"), Found({Kuid(3, 200), Kuid(3, 300), Kuid(3, 600)})},
        {"a quoted name matches whole", Words(kName, "new wagon", true), Found({Kuid(3, 300)})},
        {"nothing matches", Words(kCategory, "XYZ"), Found({})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ok = false;
        EXPECT_EQ(ToHex(m_link.Request(2, c.filter, &ok)), ToHex(c.found));
        EXPECT_TRUE(ok);
    }
}

// The search answers category patterns in the store's query; each pattern
// must select exactly the assets whose class list the pattern matcher of
// the client accepts, its odd corners included.
TEST_F(StoreSearch, CategoryPatternsSelectWhatTheMatcherAccepts) {
    const std::pair<Bytes, const char*> assets[] = {
        {Kuid(3, 100), "TR;LOC"}, {Kuid(3, 200), "TV"}, {Kuid(3, 300), "TV"}, {Kuid(3, 400), "CN"}, {Kuid(3, 600), ""},
    };
    const char* patterns[] = {
        "TR;LOC|CN", "LOC;TR",  "TR;;LOC", "|XYZ", "XYZ||", "XYZ|",  "TV|",    ";TV",   "-",     "--",
        "--TV",      "TV;-",    "-TV;-CN", "-XYZ", "TR;-LOC|-TR;-TV;-CN", "tv", "TR;LOC;X", "CN|TV|TR", "-|XYZ", "XYZ|;",
    };
    for (const char* pattern : patterns) {
        SCOPED_TRACE(pattern);
        std::vector<Bytes> expected;
        for (const auto& [kuid, list] : assets)
            if (MatchCategoryPattern(pattern, list)) expected.push_back(kuid);
        bool ok = false;
        EXPECT_EQ(ToHex(m_link.Request(2, Words(kCategory, pattern), &ok)), ToHex(Found(expected)));
        EXPECT_TRUE(ok);
    }
}

// Each tree shape is a query text of its own, and a connection keeps only
// so many compiled: past that, searches still answer, the first time and
// again.
TEST_F(StoreSearch, MoreQueryShapesThanAConnectionKeepsAnswerAlike) {
    const Bytes local = Found({Kuid(3, 100), Kuid(3, 200), Kuid(3, 300), Kuid(3, 400)});
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<Bytes> children;
        for (int shape = 1; shape <= 100; ++shape) {
            SCOPED_TRACE(std::to_string(shape) + " children, pass " + std::to_string(pass));
            children.push_back(Flag(kLocal));
            bool ok = false;
            ASSERT_EQ(ToHex(m_link.Request(2, Group(true, false, children), &ok)), ToHex(local));
            ASSERT_TRUE(ok);
        }
    }
}

TEST_F(StoreSearch, TreesThatCannotBeReadAreAnsweredEmpty) {
    const struct {
        const char* what;
        Bytes filter;
    } cases[] = {
        {"a null element", Le32(0)},
        {"a group promising more children than it holds",
         Hex("70757267 01 00") + Le32(2) + Flag(kLocal)},
        {"an unknown tag", Hex("78787878") + Le32(0)},
        {"a group nested beyond the bound", [] {
             Bytes deep = Flag(kLocal);
             for (int i = 0; i < 70; ++i) deep = Group(true, false, {deep});
             return deep;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ok = false;
        EXPECT_EQ(ToHex(m_link.Request(2, c.filter, &ok)), "");
        EXPECT_TRUE(ok);
        EXPECT_TRUE(TranscriptHas(" bad payload op=2 id=" + std::to_string(m_link.lastId) + "\n"));
    }
}

}  // namespace
