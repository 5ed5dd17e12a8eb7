// The soup handle: typed getters across kinds, setters and tag order,
// sharing and copying, and the KUID-set helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/SoupKuidSets.h"
#include "foundation/soups/TDBContainerTag.h"
#include "foundation/soups/TDBDataTag.h"

namespace {

std::vector<std::string> TagNames(const SoupHandle& soup) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < soup.Count(); ++i) names.push_back(soup.GetTagName(i).c_str());
    return names;
}

TEST(SoupHandle, GetterConversionMatrix) {
    SoupHandle soup;
    soup.SetInt("int", -12);
    soup.SetFloat("float", 3.75f);
    soup.SetFloat("half", 0.5f);
    soup.SetFloat("huge", 1e20f);
    soup.SetString("text", "-12");
    soup.SetString("ftext", "2.5");
    soup.SetString("word", "abc");
    soup.SetString("kuidtext", "<kuid2:3:100:2>");
    soup.SetString("emptytext", "");
    soup.SetKUID("kuid", KUID(12, 34, 0));
    soup.SetEmpty("nothing");
    SoupHandle::FloatArray pair;
    pair.Add(1.0f), pair.Add(2.0f);
    soup.SetFloatArray("pair", pair);
    SoupHandle ints;
    soup.SetContainer("box", ints);
    {
        // Two integers, made through the chunk interface.
        int32_t values[2] = {1, 2};
        ChunkRef root = soup.GetRoot();
        root->AppendChild("ints", root->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(8, values)));
    }

    const KUID k(5, 6, 0);
    struct Case {
        const char* name;
        int32_t asInt;      // GetInt(name, 7)
        float asFloat;      // GetFloat(name, 9.5)
        const char* asText; // GetString(name)
        KUID asKuid;        // GetKUID(name, k)
    };
    const Case cases[] = {
        {"int", -12, -12.0f, "-12", KUID(-1, -12, 127)},  // a bare content number
        {"float", 3, 3.75f, "3.75", KUID::Null()},
        {"half", 0, 0.5f, "0.5", KUID::Null()},
        {"huge", 7, 1e20f, "1e+20", KUID::Null()},
        {"text", -12, -12.0f, "-12", KUID(-1, -12, 127)},
        {"ftext", 2, 2.5f, "2.5", KUID::Null()},
        {"word", 7, 9.5f, "abc", KUID::Null()},
        {"kuidtext", 7, 9.5f, "<kuid2:3:100:2>", KUID(3, 100, 2)},
        {"emptytext", 7, 9.5f, "", k},
        {"kuid", 7, 9.5f, "<kuid:12:34>", KUID(12, 34, 0)},
        {"nothing", 7, 9.5f, "", k},
        {"pair", 7, 9.5f, "1,2", KUID::Null()},
        {"ints", 7, 9.5f, "1,2", KUID::Null()},
        {"box", 7, 9.5f, "", k},
        {"missing", 7, 9.5f, "", k},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(soup.GetInt(c.name, 7), c.asInt) << c.name;
        EXPECT_EQ(soup.GetFloat(c.name, 9.5f), c.asFloat) << c.name;
        EXPECT_STREQ(soup.GetString(c.name).c_str(), c.asText) << c.name;
        EXPECT_EQ(soup.GetKUID(c.name, k), c.asKuid) << c.name;
    }
    EXPECT_TRUE(soup.GetBool("int", false));
    EXPECT_TRUE(soup.GetBool("word", true));
    EXPECT_FALSE(soup.GetBool("word", false));

    SoupHandle::FloatArray floats;
    floats.Add(99.0f);
    EXPECT_TRUE(soup.GetFloatArray("pair", floats));
    ASSERT_EQ(floats.Count(), 2);
    EXPECT_EQ(floats[1], 2.0f);
    EXPECT_TRUE(soup.GetFloatArray("text", floats));
    ASSERT_EQ(floats.Count(), 1);
    EXPECT_EQ(floats[0], -12.0f);
    EXPECT_FALSE(soup.GetFloatArray("word", floats));
    EXPECT_EQ(floats.Count(), 0);  // emptied first

    // A null handle answers everything with defaults.
    SoupHandle none;
    EXPECT_EQ(none.GetInt("int", 7), 7);
    EXPECT_STREQ(none.GetString("int").c_str(), "");
    EXPECT_EQ(none.GetKUID("kuid", k), k);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_TRUE(none.GetTagName(0).IsEmpty());
    EXPECT_EQ(none.GetTagKind("int"), 0);
    EXPECT_FALSE(none.GetData("int"));
    EXPECT_TRUE(none.GetContainer("box").IsEmpty());
    EXPECT_TRUE(none.IsEmpty());
}

TEST(SoupHandle, QueriesByNameAndIndex) {
    SoupHandle soup;
    soup.SetString("empty", "");
    soup.SetEmpty("zero");
    SoupHandle child;
    child.SetInt("x", 1);
    soup.SetContainer("box", child);

    EXPECT_TRUE(soup.HasTag("empty"));  // a text tag without bytes exists
    EXPECT_FALSE(soup.HasTag("zero"));  // kind 0 counts as absent
    EXPECT_EQ(soup.GetTagKind("zero"), 0);
    EXPECT_EQ(soup.GetTagKind("box"), ACSKind::kContainer);
    EXPECT_FALSE(soup.GetData("empty"));
    EXPECT_EQ(soup.GetContainerAt(2).GetInt("x", 0), 1);
    EXPECT_TRUE(soup.GetContainerAt(0).IsEmpty());
    EXPECT_TRUE(soup.GetContainerAt(3).IsEmpty());
    EXPECT_TRUE(soup.GetContainer("empty").IsEmpty());
    EXPECT_TRUE(soup.GetTagName(-1).IsEmpty());

    SoupHandle container;
    container.EnsureContainer();
    EXPECT_FALSE(container.IsEmpty());  // a container without tags is not empty
    EXPECT_TRUE(SoupHandle::FromChunk(NullChunk()).IsEmpty());
    EXPECT_FALSE(SoupHandle::FromChunk(NullChunk()).GetRoot());
    EXPECT_FALSE(SoupHandle::FromChunk(CreateEditableChunk(0, nullptr)).GetRoot());

    SoupHandle indexes;
    for (const char* name : {"0", "1", "3"}) indexes.SetInt(name, 1);
    EXPECT_STREQ(indexes.GetFreeIndexTag().c_str(), "2");
    indexes.SetEmpty("2");  // a kind-0 tag does not take its name
    EXPECT_STREQ(indexes.GetFreeIndexTag().c_str(), "2");
    EXPECT_STREQ(SoupHandle().GetFreeIndexTag().c_str(), "0");
}

// The first free index as a search from "0" finds it: what GetFreeIndexTag
// must keep answering, wherever it starts.
std::string FirstFreeFromZero(const SoupHandle& soup) {
    for (int32_t i = 0;; ++i) {
        Vek::PString name;
        name.Setf("%d", i);
        if (!soup.HasTag(name)) return name.c_str();
    }
}

// Every edit that frees a taken index name, or leaves it taken, made after
// the soup has remembered that "0" to "6" are taken.
TEST(SoupFreeIndexTag, EditsAfterASearchGiveTheSameNameAsASearchFromZero) {
    // The last tag of that name.
    auto chunkOf = [](const SoupHandle& soup, const char* name) {
        ChunkRef last;
        for (int32_t i = 0; i < soup.Count(); ++i) {
            Vek::PString tag;
            ChunkRef chunk;
            soup.GetRoot()->GetChildAt(i, tag, chunk);
            if (tag == Vek::PString(name)) last = chunk;
        }
        return last;
    };
    struct Case {
        const char* what;
        void (*edit)(SoupHandle& soup, ChunkRef (*chunkOf)(const SoupHandle&, const char*));
        const char* expected;
    };
    const Case cases[] = {
        {"nothing", [](SoupHandle&, auto) {}, "7"},
        {"remove 3", [](SoupHandle& s, auto) { s.RemoveTag("3"); }, "3"},
        {"remove 3 then 1", [](SoupHandle& s, auto) { s.RemoveTag("3"), s.RemoveTag("1"); }, "1"},
        {"empty 0", [](SoupHandle& s, auto) { s.SetEmpty("0"); }, "0"},
        {"reset 4 to a value", [](SoupHandle& s, auto) { s.SetString("4", "x"); }, "7"},
        {"empty text 2", [](SoupHandle& s, auto) { s.SetString("2", ""); }, "7"},
        {"remove a name that is no index", [](SoupHandle& s, auto) { s.RemoveTag("x"), s.RemoveTag("05"); }, "7"},
        {"remove a second 5 behind the first",
         [](SoupHandle& s, auto of) { s.GetRoot()->RemoveChild(of(s, "5")); }, "7"},
        {"value made empty in place",
         [](SoupHandle& s, auto of) { of(s, "2")->SetKindAndData(ACSKind::kEmpty, nullptr); }, "2"},
        {"swap 1 with an empty tag",
         [](SoupHandle& s, auto of) { s.GetRoot()->SwapChildren(of(s, "1"), of(s, "blank")); }, "1"},
        {"sort puts an empty 6 first",
         [](SoupHandle& s, auto) {
             s.GetRoot()->RemoveChild(s.GetRoot()->GetChild("6"));
             s.GetRoot()->AppendChild("6", CreateEditableChunk(ACSKind::kEmpty, nullptr));
             s.GetRoot()->AppendChild("6", CreateEditableChunk(ACSKind::kIntegers, nullptr));
             s.GetRoot()->SortChildren();
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SoupHandle soup;
        soup.SetInt("x", 1);
        soup.SetEmpty("blank");
        for (int i = 0; i < 6; ++i) soup.SetInt(std::to_string(i).c_str(), i);
        soup.GetRoot()->AppendChild("5", CreateEditableChunk(ACSKind::kEmpty, nullptr));
        soup.GetRoot()->AppendChild("05", CreateEditableChunk(ACSKind::kIntegers, nullptr));
        ASSERT_STREQ(soup.GetFreeIndexTag().c_str(), "6") << c.what;
        SoupHandle child;
        soup.SetContainer(soup.GetFreeIndexTag(), child);
        c.edit(soup, +chunkOf);
        const std::string free = soup.GetFreeIndexTag().c_str();
        EXPECT_EQ(free, FirstFreeFromZero(soup)) << c.what;
        if (c.expected) {
            EXPECT_EQ(free, c.expected) << c.what;
        }
    }
}

// Counts the name lookups of a container.
class CountingContainer : public TDBContainerTag {
public:
    ChunkRef GetChild(const Vek::PString& name) const override {
        ++lookups;
        return TDBContainerTag::GetChild(name);
    }
    mutable int64_t lookups = 0;
};

TEST(SoupFreeIndexTag, AddingIndexedTagsProbesAFewNamesEach) {
    CountedRef<CountingContainer> root = MakeCounted<CountingContainer>();
    SoupHandle soup = SoupHandle::FromChunk(root);
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        SoupHandle child;
        soup.SetContainer(soup.GetFreeIndexTag(), child);
    }
    ASSERT_EQ(soup.Count(), n);
    EXPECT_STREQ(soup.GetTagName(n - 1).c_str(), std::to_string(n - 1).c_str());
    // Two probes and the setter's own lookup per tag; a search from "0"
    // would make n * n / 2.
    EXPECT_LE(root->lookups, 3 * n + 3);

    // A removal far down is found again without a search from "0".
    soup.RemoveTag("17");
    root->lookups = 0;
    EXPECT_STREQ(soup.GetFreeIndexTag().c_str(), "17");
    EXPECT_LE(root->lookups, 2);
    // Binary views and other roots search from "0" and give the same names.
    EXPECT_STREQ(soup.GetContainer("3").GetFreeIndexTag().c_str(), "0");
}

TEST(SoupHandle, SettersRemoveTheFirstTagAndAppend) {
    SoupHandle soup;
    soup.SetInt("a", 1);
    soup.SetInt("b", 2);
    soup.SetInt("c", 3);
    soup.SetInt("b", 20);
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(soup.GetInt("b", 0), 20);

    // Two tags of one name: only the first is replaced, the new one goes last.
    ChunkRef root = soup.GetRoot();
    int32_t five = 5;
    root->AppendChild("a", root->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(4, &five)));
    soup.SetString("a", "new");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"c", "b", "a", "a"}));
    EXPECT_EQ(soup.GetInt("a", 0), 5);  // the first "a" now is the old second
    soup.RemoveTag("a");
    EXPECT_STREQ(soup.GetString("a").c_str(), "new");

    // Values are never changed in place: an old view keeps the old bytes.
    RawDataRef before = soup.GetData("c");
    soup.SetInt("c", 30);
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(before->Data()), 3);

    // An empty float array only removes the tag; an empty text stores one.
    SoupHandle::FloatArray none;
    soup.SetFloatArray("c", none);
    EXPECT_FALSE(soup.HasTag("c"));
    soup.SetString("t", "");
    EXPECT_TRUE(soup.HasTag("t"));
    EXPECT_STREQ(soup.GetString("t").c_str(), "");
    EXPECT_EQ(soup.GetInt("t", 7), 7);
    soup.SetString("t", nullptr);
    EXPECT_EQ(soup.GetTagKind("t"), ACSKind::kText);

    soup.SetBool("flag", true);
    EXPECT_EQ(soup.GetTagKind("flag"), ACSKind::kIntegers);
    EXPECT_EQ(soup.GetInt("flag", 0), 1);

    // The text with its NUL; a KUID as packed word and content id.
    soup.SetString("s", "ab");
    EXPECT_EQ(soup.GetData("s")->Size(), 3);
    soup.SetKUID("k", KUID(-1, -1, 127));
    const uint8_t* packed = soup.GetData("k")->Data();
    EXPECT_EQ(std::vector<uint8_t>(packed, packed + 8), (std::vector<uint8_t>{255, 255, 255, 255, 255, 255, 255, 255}));
}

TEST(SoupHandle, ContainersAreSharedAndCopiesAreNot) {
    SoupHandle soup, child;
    soup.SetContainer("c", child);  // a null child becomes a shared empty container
    ASSERT_FALSE(child.IsEmpty());
    child.SetInt("x", 1);
    EXPECT_EQ(soup.GetContainer("c").GetInt("x", 0), 1);
    soup.GetContainer("c").SetInt("y", 2);
    EXPECT_EQ(child.GetInt("y", 0), 2);

    SoupHandle copy;
    copy.CopyFrom(soup);
    child.SetInt("z", 3);
    EXPECT_FALSE(copy.GetContainer("c").HasTag("z"));
    EXPECT_EQ(copy.GetContainer("c").GetInt("y", 0), 2);

    SoupHandle fromNull;
    fromNull.CopyFrom(SoupHandle());
    EXPECT_FALSE(fromNull.IsEmpty());
    EXPECT_EQ(fromNull.Count(), 0);

    // Copies of the handle share the soup; Clear drops only this reference.
    SoupHandle alias = soup;
    alias.SetInt("via-alias", 1);
    EXPECT_TRUE(soup.HasTag("via-alias"));
    alias.Clear();
    EXPECT_TRUE(alias.IsEmpty());
    EXPECT_TRUE(soup.HasTag("via-alias"));

    // RemoveChunk takes the tag holding that chunk.
    ChunkRef held = soup.GetRoot()->GetChild("c");
    soup.RemoveChunk(held);
    EXPECT_FALSE(soup.HasTag("c"));
}

TEST(SoupKuidSets, CollectAndStore) {
    SoupHandle soup;
    soup.SetKUID("a", KUID(1, 2, 0));
    soup.SetString("b", "<kuid:3:4>");
    soup.SetString("c", "not a kuid");
    soup.SetKUID("d", KUID(1, 2, 0));  // a duplicate
    SoupHandle inner;
    inner.SetString("e", "<kuid2:5:6:7>");
    inner.SetString("f", "kuid:8:9");
    inner.SetString("g", "8:9");  // lenient only
    soup.SetContainer("box", inner);

    KuidSet flat;
    SoupToKuidSet(soup, flat);
    std::vector<KUID> got(flat.begin(), flat.end());
    EXPECT_EQ(got, (std::vector<KUID>{KUID(1, 2, 0), KUID(3, 4, 0)}));

    KuidSet deep;
    SoupToKuidSetRecursive(soup, deep);
    got.assign(deep.begin(), deep.end());
    EXPECT_EQ(got, (std::vector<KUID>{KUID(1, 2, 0), KUID(3, 4, 0), KUID(5, 6, 7), KUID(8, 9, 0)}));

    KuidSet set;
    set.Add(KUID(1, 1, 0));
    set.Add(KUID::Null());
    set.Add(KUID(2, 2, 0));
    SoupHandle stored;
    stored.SetInt("old", 1);
    KuidSetToSoup(stored, set);
    EXPECT_EQ(TagNames(stored), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(stored.GetKUID("1", KUID()), KUID(2, 2, 0));

    KuidSet onlyNull;
    onlyNull.Add(KUID::Null());
    KuidSetToSoup(stored, onlyNull);
    EXPECT_TRUE(stored.IsEmpty());
}

}  // namespace
