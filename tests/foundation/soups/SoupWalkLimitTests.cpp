// Whole-soup walks within a limit: the measure counts a shared sub-soup
// once per place it is stored in and stops at the limit, its binary size is
// what the binary writer writes, the text writer stops past its limit, and
// soup memory made in a charge scope is charged and given back.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupMemoryCharge.h"
#include "foundation/soups/SoupWalkLimit.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "support/DoubledSoup.h"
#include "support/NestedSoup.h"

namespace {

using VorlexTest::DoubledSoup;
using VorlexTest::DoubledSoupNodes;

uint64_t BinarySize(const SoupHandle& soup) {
    TBuffer buffer;
    WriteBinarySoup(buffer, soup);
    return static_cast<uint64_t>(buffer.GetDataSize());
}

TEST(SoupWalkLimit, TheMeasureIsTheBinaryWritersSizeAndCountsSharedSubSoupsPerPlace) {
    SoupHandle mixed;
    mixed.SetString("name", "Northgate");
    mixed.SetInt("count", 3);
    mixed.SetEmpty("nothing");
    mixed.SetString("", "unnamed");
    mixed.SetFloat(std::string(254, 'k').c_str(), 1.5f);
    SoupHandle leftOut;
    leftOut.SetInt("inside", 1);
    mixed.SetContainer(std::string(255, 'l').c_str(), leftOut);
    SoupHandle child;
    child.SetKUID("kuid", KUID(5, 6, 0));
    mixed.SetContainer("child", child);

    struct Case {
        const char* name;
        SoupHandle soup;
        uint64_t nodes;
    };
    const Case cases[] = {
        {"null", SoupHandle(), 0},
        {"mixed, a name too long to write left out with its subtree", mixed, 9},
        {"nested 40 deep", VorlexTest::NestedSoup(40), 42},
        {"doubled 6 levels", DoubledSoup(6), DoubledSoupNodes(6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoupWalkCost cost;
        EXPECT_TRUE(MeasureSoupWithin(c.soup, SoupWalkLimit{}, cost));
        EXPECT_EQ(cost.nodes, c.nodes);
        EXPECT_EQ(cost.binaryBytes, BinarySize(c.soup));
        // Exactly at the limits is within them; one less is not.
        const SoupWalkCost whole = cost;
        EXPECT_TRUE(MeasureSoupWithin(c.soup, SoupWalkLimit{whole.nodes, whole.binaryBytes}, cost));
        if (c.nodes) {
            EXPECT_FALSE(MeasureSoupWithin(c.soup, SoupWalkLimit{whole.nodes - 1, ~0ull}, cost));
        }
        EXPECT_FALSE(MeasureSoupWithin(c.soup, SoupWalkLimit{~0ull, whole.binaryBytes - 1}, cost));
    }
}

TEST(SoupWalkLimit, ASoupThatDoublesAtEveryLevelIsRefusedAtTheLimitNotWalked) {
    // 2^60 leaves behind 60 containers: only the limit is walked.
    const SoupHandle soup = DoubledSoup(60);
    const auto start = std::chrono::steady_clock::now();
    SoupWalkCost cost;
    EXPECT_FALSE(MeasureSoupWithin(soup, SoupWalkLimit{100000, ~0ull}, cost));
    EXPECT_EQ(cost.nodes, 100001u);
    EXPECT_FALSE(MeasureSoupWithin(soup, SoupWalkLimit{~0ull, 1u << 20}, cost));
    EXPECT_LE(cost.binaryBytes, (1u << 20) + 64);

    TBuffer text;
    EXPECT_EQ(WriteTextSoupWithin(soup, text, SoupWalkLimit{100000, ~0ull}), TextSoupWrite::kTooLarge);
    TBuffer bounded;
    EXPECT_EQ(WriteTextSoupWithin(soup, bounded, SoupWalkLimit{~0ull, 1u << 20}), TextSoupWrite::kTooLarge);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(SoupWalkLimit, TheTextWriterWithinItsLimitWritesWhatItWritesUnbounded) {
    const SoupHandle soup = DoubledSoup(5);
    TBuffer whole;
    ASSERT_TRUE(WriteTextSoup(soup, whole));
    const uint64_t size = static_cast<uint64_t>(whole.GetDataSize());
    TBuffer exact;
    EXPECT_EQ(WriteTextSoupWithin(soup, exact, SoupWalkLimit{DoubledSoupNodes(5), size}), TextSoupWrite::kWritten);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(exact.GetData()), exact.GetDataSize()),
              std::string(reinterpret_cast<const char*>(whole.GetData()), whole.GetDataSize()));
    TBuffer shortOfBytes;
    EXPECT_EQ(WriteTextSoupWithin(soup, shortOfBytes, SoupWalkLimit{~0ull, size - 1}), TextSoupWrite::kTooLarge);
    TBuffer shortOfNodes;
    EXPECT_EQ(WriteTextSoupWithin(soup, shortOfNodes, SoupWalkLimit{DoubledSoupNodes(5) - 1, ~0ull}),
              TextSoupWrite::kTooLarge);
    // Depth is still its own refusal.
    TBuffer deep;
    EXPECT_EQ(WriteTextSoupWithin(VorlexTest::NestedSoup(kMaxTextSoupDepth + 1), deep, SoupWalkLimit{}),
              TextSoupWrite::kTooDeep);
}

class CountingAccount : public SoupChargeAccount {
public:
    void ForceCharge(uint64_t bytes) override { used += bytes; }
    void GiveCharge(uint64_t bytes) override { used -= bytes; }
    void AddChargeReference() override { ++references; }
    void ReleaseChargeReference() override { --references; }
    uint64_t used = 0;
    int references = 0;
};

TEST(SoupWalkLimit, SoupMemoryMadeInAChargeScopeIsChargedUntilItGoes) {
    CountingAccount account;
    SoupHandle outside;
    outside.SetInt("before", 1);
    SoupHandle charged;
    {
        SoupChargeScope scope(&account);
        charged.SetString("text", std::string(1000, 'x').c_str());
        charged.SetInt("n", 1);
        SoupHandle copy;
        copy.CopyFrom(outside);
        charged.SetContainer("copy", copy);
    }
    EXPECT_GT(account.used, 1000u);
    EXPECT_GT(account.references, 0);
    EXPECT_EQ(SoupChargeScope::Current(), nullptr);
    // Made outside a scope: nothing; a tag replaced or removed outside the
    // scope gives its charge back all the same.
    const uint64_t held = account.used;
    outside.SetInt("after", 2);
    EXPECT_EQ(account.used, held);
    charged.SetInt("n", 2);
    EXPECT_LT(account.used, held);
    charged.RemoveTag("text");
    EXPECT_LT(account.used, held - 1000);
    charged.Clear();
    EXPECT_EQ(account.used, 0u);
    EXPECT_EQ(account.references, 0);
}

}  // namespace
