// Soups nested far deeper than any file holds: copying, destroying,
// collecting KUIDs and writing walk them without recursion, and the writers
// refuse what the readers would not take back.
#include <gtest/gtest.h>

#include <string>

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupKuidSets.h"
#include "foundation/soups/SoupPrinting.h"
#include "foundation/soups/TDBBinaryFile.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "support/NestedSoup.h"

namespace {

using VorlexTest::NestedSoup;
using VorlexTest::NestedSoupDepth;

TEST(DeepSoup, CopyCollectAndDestroyTakeAnyDepth) {
    const int depth = 100000;
    SoupHandle copy;
    {
        SoupHandle deep = NestedSoup(depth);
        copy.CopyFrom(deep);
        KuidSet kuids;
        SoupToKuidSetRecursive(deep, kuids);
        ASSERT_EQ(kuids.Count(), 1u);
        EXPECT_TRUE(*kuids.Begin() == KUID(5, 6, 0));
        // The copy is separate: changing the original's leaf leaves it alone.
        SoupHandle level = deep;
        for (int i = 0; i < depth; ++i) level = level.GetContainer("n");
        level.SetInt("leaf", 8);
    }  // the original dies here, level by level
    EXPECT_EQ(NestedSoupDepth(copy), depth);
}

// A copy of a copy shares the first value's bytes and keeps no earlier
// copy alive: 100,000 generations hold one block, and dropping the last
// releases nothing in a chain.
TEST(DeepSoup, CopiesOfCopiesKeepNoChainOfEarlierCopies) {
    SoupHandle first;
    first.SetInt("v", 42);
    const ChunkRef firstValue = first.GetRoot()->GetChild("v");
    SoupHandle latest = first;
    for (int i = 0; i < 100000; ++i) {
        SoupHandle next;
        next.CopyFrom(latest);
        latest = next;
    }
    EXPECT_EQ(latest.GetInt("v", 0), 42);
    EXPECT_EQ(latest.GetRoot()->GetChild("v")->GetData(), firstValue->GetData());
    // The first value is held by its soup and this test alone.
    EXPECT_EQ(firstValue->GetReferenceCount(), 2);
}

TEST(DeepSoup, WritersTakeWhatTheReadersTakeBackAndRefuseDeeper) {
    static_assert(kMaxTextSoupDepth == TDBBinaryFile::kMaxDepth, "one bound for both forms");
    struct Case {
        int depth;
        bool written;
    };
    const Case cases[] = {{0, true}, {kMaxTextSoupDepth, true}, {kMaxTextSoupDepth + 1, false}, {100000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        const SoupHandle soup = NestedSoup(c.depth);

        TBuffer text;
        EXPECT_EQ(WriteTextSoup(soup, text), c.written);
        std::string asText;
        EXPECT_EQ(SoupAsText(soup, asText), c.written);
        if (c.written) {
            EXPECT_EQ(asText.size(), static_cast<std::size_t>(text.GetDataSize()));
            text.Rewind();
            SoupHandle back;
            ASSERT_TRUE(ParseTextSoup(back, text));
            EXPECT_EQ(NestedSoupDepth(back), c.depth);
        } else {
            // Stopped at the bound: the text of 1024 levels, not of all.
            EXPECT_TRUE(asText.empty());
            EXPECT_LT(text.GetDataSize(), 8 * 1024 * 1024);
        }

        TBuffer binary;
        EXPECT_EQ(WriteBinarySoup(binary, soup), c.written);
        binary.Rewind();
        SoupHandle back;
        ASSERT_TRUE(ReadBinarySoup(back, binary));
        if (c.written) {
            EXPECT_EQ(NestedSoupDepth(back), c.depth);
        } else {
            EXPECT_EQ(back.Get(), nullptr) << "the reader drops a body nested too deep";
        }
    }
}

}  // namespace
