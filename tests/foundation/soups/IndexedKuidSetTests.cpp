#include "foundation/soups/IndexedKuidSet.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The items block by block, so that two sets compare in order and layout.
std::vector<std::vector<KUID>> Blocks(const KuidSet& set) {
    std::vector<std::vector<KUID>> blocks;
    const KuidSet::Block* first = set.FirstBlock();
    if (!first) return blocks;
    const KuidSet::Block* block = first;
    do {
        blocks.emplace_back();
        for (uint32_t i = 0; i < block->Count(); ++i) blocks.back().push_back(block->Slot(i));
        block = block->Next();
    } while (block != first);
    return blocks;
}

// Adds and removes drawn at random, with repeats, the null KUID and KUIDs
// that are absent, run on an indexed set and on a plain KuidSet: the two
// hold the same items in the same blocks after every step, over many
// blocks, with blocks emptied and freed on the way.
TEST(IndexedKuidSet, AddsAndRemovesAsAPlainSet) {
    std::mt19937 random(11);
    IndexedKuidSet indexed;
    KuidSet plain;
    for (int step = 0; step < 6000; ++step) {
        // Early steps mostly add (the set grows past a few blocks), later
        // ones mostly remove (blocks empty out).
        const bool add = static_cast<int>(random() % 100) < (step < 3000 ? 80 : 25);
        const uint32_t pick = random() % 700;
        const KUID kuid = pick == 0 ? KUID::Null() : KUID(7, static_cast<int32_t>(pick), static_cast<int32_t>(pick % 3));
        if (add) {
            EXPECT_EQ(indexed.AddUniqueNonNull(kuid), plain.AddUniqueNonNull(kuid)) << step;
        } else {
            auto at = plain.Find(kuid);
            const bool held = static_cast<bool>(at);
            if (held) plain.Remove(at);
            EXPECT_EQ(indexed.Remove(kuid), held) << step;
        }
        EXPECT_EQ(indexed.Contains(kuid), static_cast<bool>(plain.Find(kuid))) << step;
        if (step % 50 == 0 || step > 5900) {
            ASSERT_EQ(Blocks(indexed.Set()), Blocks(plain)) << step;
            EXPECT_EQ(indexed.Count(), plain.Count()) << step;
        }
    }
}

}  // namespace
