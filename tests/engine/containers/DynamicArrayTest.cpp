#include "engine/DynamicArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "engine/PString.h"

namespace {

// An item that counts the live objects of its type, so that leaks and double
// destruction of slots show up as a wrong count. Its empty value is -1.
struct Tracked {
    static inline int live = 0;
    int value = -1;

    Tracked() { ++live; }
    Tracked(int v) : value(v) { ++live; }
    Tracked(const Tracked& o) : value(o.value) { ++live; }
    Tracked& operator=(const Tracked&) = default;
    ~Tracked() { --live; }
    bool operator==(const Tracked& o) const { return value == o.value; }
    bool operator==(int v) const { return value == v; }
};

// A KUID stand-in: three words, the default value is the null KUID.
struct FakeKuid {
    int32_t user = -1;
    int32_t content = -1;
    int32_t version = 127;
    bool operator==(const FakeKuid&) const = default;
};

constexpr uint32_t kSmall = 4;
using Ring = Vek::DynamicArray<Tracked, kSmall>;

// The expected layout: blocks of values in ring order.
using Model = std::deque<std::vector<int>>;

std::vector<const Ring::Block*> Blocks(const Ring& ring) {
    std::vector<const Ring::Block*> blocks;
    const Ring::Block* b = ring.FirstBlock();
    if (!b) return blocks;
    do {
        blocks.push_back(b);
        b = b->Next();
    } while (b != ring.FirstBlock());
    return blocks;
}

std::vector<int> Flatten(const Model& model) {
    std::vector<int> all;
    for (const auto& block : model) all.insert(all.end(), block.begin(), block.end());
    return all;
}

void ExpectMatches(const Ring& ring, const Model& model) {
    auto blocks = Blocks(ring);
    ASSERT_EQ(blocks.size(), model.size());
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        ASSERT_EQ(blocks[b]->Count(), model[b].size()) << "block " << b;
        ASSERT_GT(blocks[b]->Count(), 0u) << "an empty block stayed in the ring";
        EXPECT_EQ(blocks[b]->Next()->Prev(), blocks[b]);
        for (uint32_t i = 0; i < kSmall; ++i) {
            int expected = i < model[b].size() ? model[b][i] : -1;
            EXPECT_EQ(blocks[b]->Slot(i).value, expected) << "block " << b << " slot " << i;
        }
    }
    std::vector<int> all = Flatten(model);
    EXPECT_EQ(ring.Count(), all.size());
    EXPECT_EQ(ring.IsEmpty(), all.empty());
    std::vector<int> seen;
    for (const Tracked& t : ring) seen.push_back(t.value);
    EXPECT_EQ(seen, all);
    // Every slot of every block is a live object, nothing else is.
    EXPECT_EQ(Tracked::live, static_cast<int>(blocks.size() * kSmall));
}

// The block and slot an iterator should point at after a removal, or
// {-1, -1} for the null iterator.
struct Position {
    int block;
    int slot;
};

void ExpectAt(const Ring& ring, Ring::Iterator it, Position expected, const Model& model) {
    if (expected.block < 0) {
        EXPECT_TRUE(it.IsNull());
        return;
    }
    ASSERT_FALSE(it.IsNull());
    auto blocks = Blocks(ring);
    EXPECT_EQ(it.GetBlock(), blocks[expected.block]);
    EXPECT_EQ(it.IndexInBlock(), static_cast<uint32_t>(expected.slot));
    // Walking on from the result visits exactly the rest of the items.
    std::vector<int> rest;
    for (; it; ++it) rest.push_back(it->value);
    std::vector<int> all;
    for (std::size_t b = expected.block; b < model.size(); ++b)
        for (std::size_t i = (b == static_cast<std::size_t>(expected.block) ? expected.slot : 0); i < model[b].size(); ++i)
            all.push_back(model[b][i]);
    EXPECT_EQ(rest, all);
}

std::pair<int, int> Locate(const Model& model, std::size_t index) {
    for (std::size_t b = 0; b < model.size(); ++b) {
        if (index < model[b].size()) return {static_cast<int>(b), static_cast<int>(index)};
        index -= model[b].size();
    }
    return {-1, -1};
}

Position NextBlockStart(const Model& model, int block) {
    return block + 1 < static_cast<int>(model.size()) ? Position{block + 1, 0} : Position{-1, -1};
}

TEST(DynamicArray, RandomOperationsMatchModel) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        Model model;
        int next = 0;
        {
            Ring ring;
            for (int step = 0; step < 400; ++step) {
                std::size_t count = Flatten(model).size();
                int op = std::uniform_int_distribution<int>(0, 9)(rng);
                if (op <= 2 || count == 0) {
                    int v = next++;
                    uint32_t slot = ring.Add(Tracked(v));
                    if (model.empty() || model.back().size() == kSmall) model.emplace_back();
                    model.back().push_back(v);
                    EXPECT_EQ(slot, model.back().size() - 1);
                } else if (op <= 4) {
                    int v = next++;
                    uint32_t slot = ring.AddToFirstFreeSlot(Tracked(v));
                    auto free = std::find_if(model.begin(), model.end(), [](auto& b) { return b.size() < kSmall; });
                    if (free == model.end()) free = model.insert(model.end(), std::vector<int>());
                    free->push_back(v);
                    EXPECT_EQ(slot, free->size() - 1);
                } else if (op <= 8) {
                    std::size_t index = std::uniform_int_distribution<std::size_t>(0, count - 1)(rng);
                    Tracked* item = ring[index];
                    ASSERT_NE(item, nullptr);
                    auto [b, i] = Locate(model, index);
                    EXPECT_EQ(item->value, model[b][i]);
                    Ring::Iterator it = ring.Begin();
                    it += static_cast<std::ptrdiff_t>(index);
                    Position expected;
                    Ring::Iterator result;
                    auto& block = model[b];
                    if (op <= 6) {
                        result = ring.Remove(it);
                        int last = static_cast<int>(block.size()) - 1;
                        if (last == 0) {
                            model.erase(model.begin() + b);
                            expected = b < static_cast<int>(model.size()) ? Position{b, 0} : Position{-1, -1};
                        } else if (i == last) {
                            block.pop_back();
                            expected = NextBlockStart(model, b);
                        } else {
                            block[i] = block.back();
                            block.pop_back();
                            expected = {b, i};
                        }
                    } else {
                        result = ring.RemoveOrdered(it);
                        block.erase(block.begin() + i);
                        if (block.empty()) {
                            model.erase(model.begin() + b);
                            expected = b < static_cast<int>(model.size()) ? Position{b, 0} : Position{-1, -1};
                        } else if (i < static_cast<int>(block.size())) {
                            expected = {b, i};
                        } else {
                            expected = NextBlockStart(model, b);
                        }
                    }
                    ExpectAt(ring, result, expected, model);
                } else {
                    // Moving an iterator across blocks both ways.
                    std::vector<int> all = Flatten(model);
                    auto n = static_cast<std::ptrdiff_t>(all.size());
                    std::ptrdiff_t start = std::uniform_int_distribution<std::ptrdiff_t>(0, n - 1)(rng);
                    std::ptrdiff_t delta = std::uniform_int_distribution<std::ptrdiff_t>(-n - 2, n + 2)(rng);
                    Ring::Iterator it = ring.Begin();
                    it += start;
                    Ring::Iterator forward = it, back = it;
                    forward += delta;
                    back -= -delta;
                    std::ptrdiff_t target = start + delta;
                    if (target < 0 || target >= n) {
                        EXPECT_TRUE(forward.IsNull()) << start << " + " << delta;
                        EXPECT_TRUE(back.IsNull()) << start << " - " << -delta;
                    } else {
                        ASSERT_FALSE(forward.IsNull());
                        EXPECT_EQ(forward->value, all[target]);
                        EXPECT_TRUE(forward == back);
                    }
                    EXPECT_EQ(ring[all.size()], nullptr);
                }
                ExpectMatches(ring, model);
                if (HasFatalFailure() || HasNonfatalFailure()) return;
            }
        }
        EXPECT_EQ(Tracked::live, 0);
    }
}

TEST(DynamicArray, KuidListGrowsIntoNullFilledSecondBlock) {
    Vek::DynamicArray<FakeKuid, 128> list;
    for (int32_t i = 0; i < 128; ++i) list.Add(FakeKuid{i, i * 10, 0});
    EXPECT_EQ(list.BlockCount(), 1u);
    EXPECT_EQ(list.Count(), 128u);

    EXPECT_EQ(list.Add(FakeKuid{500, 5000, 1}), 0u);
    EXPECT_EQ(list.BlockCount(), 2u);
    EXPECT_EQ(list.Count(), 129u);
    const auto* second = list.FirstBlock()->Next();
    EXPECT_EQ(second->Count(), 1u);
    EXPECT_EQ(second->Slot(0), (FakeKuid{500, 5000, 1}));
    for (uint32_t i = 1; i < 128; ++i) ASSERT_EQ(second->Slot(i), FakeKuid{}) << i;

    ASSERT_NE(list[128], nullptr);
    EXPECT_EQ(list[128]->user, 500);
    EXPECT_EQ(list[129], nullptr);
    auto found = list.Find(FakeKuid{3, 30, 0});
    ASSERT_TRUE(found);
    EXPECT_EQ(found.IndexInBlock(), 3u);
    EXPECT_TRUE(list.Find(FakeKuid{3, 30, 1}).IsNull());

    EXPECT_FALSE(list.AddUniqueNonNull(FakeKuid{}));
    EXPECT_FALSE(list.AddUniqueNonNull(FakeKuid{3, 30, 0}));
    EXPECT_TRUE(list.AddUniqueNonNull(FakeKuid{3, 30, 1}));
    EXPECT_EQ(list.Count(), 130u);
}

// The removal edge cases, each on a fresh ring of {10, 20, 30} (one block)
// or {10, 20, 30, 40} + {50} (two blocks of four).
TEST(DynamicArray, RemovalEdgeCases) {
    struct Case {
        const char* name;
        int items;
        int removeAt;
        bool ordered;
        std::vector<std::vector<int>> after;
        int resultValue;  // -1: the null iterator
    };
    const Case cases[] = {
        {"unordered, last of three", 3, 2, false, {{10, 20}}, -1},
        {"unordered, first of three", 3, 0, false, {{30, 20}}, 30},
        {"ordered, first of three", 3, 0, true, {{20, 30}}, 20},
        {"ordered, last of three", 3, 2, true, {{10, 20}}, -1},
        {"unordered, only item of last block", 5, 4, false, {{10, 20, 30, 40}}, -1},
        {"ordered, only item of last block", 5, 4, true, {{10, 20, 30, 40}}, -1},
        {"unordered, last item of first block", 5, 3, false, {{10, 20, 30}, {50}}, 50},
        {"ordered, last item of first block", 5, 3, true, {{10, 20, 30}, {50}}, 50},
        {"only item", 1, 0, false, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            Ring ring;
            for (int i = 0; i < c.items; ++i) ring.Add(Tracked((i + 1) * 10));
            Ring::Iterator it = ring.Begin();
            it += c.removeAt;
            Ring::Iterator result = c.ordered ? ring.RemoveOrdered(it) : ring.Remove(it);
            if (c.resultValue < 0) {
                EXPECT_TRUE(result.IsNull());
            } else {
                ASSERT_FALSE(result.IsNull());
                EXPECT_EQ(result->value, c.resultValue);
            }
            ExpectMatches(ring, Model(c.after.begin(), c.after.end()));
        }
        EXPECT_EQ(Tracked::live, 0);
    }
}

TEST(DynamicArray, RemovingOnlyItemOfFirstBlockMakesSecondBlockFirst) {
    Ring ring;
    ring.Add(Tracked(1));
    ring.Add(Tracked(2));
    ring.Add(Tracked(3));
    ring.Add(Tracked(4));
    ring.Add(Tracked(5));
    ring.Add(Tracked(6));
    // Empty the first block down to one item, then remove that one.
    Ring::Iterator it = ring.Begin();
    it = ring.RemoveOrdered(it);
    it = ring.RemoveOrdered(it);
    it = ring.RemoveOrdered(it);
    ASSERT_EQ(ring.BlockCount(), 2u);
    ASSERT_EQ(it->value, 4);
    it = ring.Remove(it);
    ASSERT_TRUE(it);
    EXPECT_EQ(it->value, 5);
    EXPECT_EQ(it.GetBlock(), ring.FirstBlock());
    EXPECT_EQ(ring.BlockCount(), 1u);
    // The returned iterator knows the new first block: it stops at the end.
    ++it;
    EXPECT_EQ(it->value, 6);
    ++it;
    EXPECT_TRUE(it.IsNull());
}

TEST(DynamicArray, IterationVisitsEveryItemOnceAcrossBlocks) {
    Ring ring;
    for (int i = 0; i < 7; ++i) ring.Add(Tracked(i));
    ASSERT_EQ(ring.BlockCount(), 2u);
    std::vector<int> seen;
    Ring::Iterator it = ring.Begin();
    for (; it; ++it) seen.push_back(it->value);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    ++it;
    EXPECT_TRUE(it.IsNull());
    const Ring& constRing = ring;
    Ring::ConstIterator c = constRing.Begin();
    c += 6;
    EXPECT_EQ(c->value, 6);
    c -= 6;
    EXPECT_EQ(c->value, 0);
    c -= 1;
    EXPECT_TRUE(c.IsNull());
}

TEST(DynamicArray, EmptyArrayAndStrayIteratorsChangeNothing) {
    Ring empty;
    EXPECT_TRUE(empty.Begin().IsNull());
    EXPECT_TRUE(empty.Remove(empty.Begin()).IsNull());
    EXPECT_TRUE(empty.RemoveOrdered(Ring::Iterator()).IsNull());
    EXPECT_EQ(empty[0], nullptr);
    EXPECT_EQ(empty.Count(), 0u);

    Ring a, b;
    a.Add(Tracked(1));
    b.Add(Tracked(2));
    // An iterator of another array is refused.
    EXPECT_TRUE(a.Remove(b.Begin()).IsNull());
    EXPECT_TRUE(a.RemoveOrdered(b.Begin()).IsNull());
    EXPECT_EQ(a.Count(), 1u);
    EXPECT_EQ(b.Count(), 1u);
}

TEST(DynamicArray, InterningItemsAreReleasedOnRemoveAndClear) {
    Vek::PString name("block-ring-item");
    const auto* node = name.GetNode();
    ASSERT_EQ(node->references, 1);
    {
        Vek::DynamicArray<Vek::PString, 13> names;
        for (int i = 0; i < 30; ++i) names.Add(name);
        EXPECT_EQ(node->references, 31);
        names.Remove(names.Begin());
        names.RemoveOrdered(names.Begin());
        EXPECT_EQ(node->references, 29);

        Vek::DynamicArray<Vek::PString, 13> copy(names);
        EXPECT_EQ(node->references, 57);
        EXPECT_EQ(copy.BlockCount(), names.BlockCount());
        copy.Clear();
        EXPECT_TRUE(copy.IsEmpty());
        EXPECT_EQ(node->references, 29);
    }
    EXPECT_EQ(node->references, 1);
}

TEST(DynamicArray, CopiesKeepBlockLayoutAndAreIndependent) {
    Ring source;
    for (int i = 0; i < 9; ++i) source.Add(Tracked(i));
    source.RemoveOrdered(source.Begin() + 1);  // first block now holds 3
    Ring copy(source);
    auto a = Blocks(source), b = Blocks(copy);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i]->Count(), b[i]->Count());
    *copy[0] = Tracked(100);
    EXPECT_EQ(source[0]->value, 0);

    Ring assigned;
    assigned.Add(Tracked(42));
    assigned = copy;
    EXPECT_EQ(assigned.Count(), 8u);
    EXPECT_EQ(assigned[0]->value, 100);
    Ring moved(std::move(assigned));
    EXPECT_TRUE(assigned.IsEmpty());
    EXPECT_EQ(moved.Count(), 8u);
}

struct Registered {
    static inline int deleted = 0;
    static inline Vek::FastDynamicArray<Registered*, 13>* registry = nullptr;
    virtual ~Registered() {
        ++deleted;
        // A destructor that takes itself out of the list it is deleted from.
        registry->RemoveOrdered(registry->Find(this));
    }
};

TEST(DynamicArray, DeleteAllDeletesEveryObjectOnce) {
    Vek::FastDynamicArray<Registered*, 13> registry;
    Registered::registry = &registry;
    for (int i = 0; i < 20; ++i) registry.Add(new Registered);
    registry.Add(nullptr);
    registry.DeleteAll();
    EXPECT_EQ(Registered::deleted, 20);
    EXPECT_TRUE(registry.IsEmpty());
}

}  // namespace
