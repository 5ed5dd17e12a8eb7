#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <queue>
#include <random>
#include <vector>

#include "foundation/containers/Array.h"
#include "foundation/containers/DoubleLinkList.h"
#include "foundation/containers/IDoubleLinkList.h"
#include "foundation/containers/PriorityQueue.h"
#include "foundation/containers/Queue.h"

namespace {

TEST(UtilsArray, ReserveGrowsGeometricallyInStepsAndKeepsItems) {
    Utils::Array<int32_t, 4> array;
    ASSERT_TRUE(array.Reserve(0));
    EXPECT_EQ(array.Capacity(), 4);
    for (int32_t i = 0; i < 4; ++i) array[i] = i + 10;
    ASSERT_TRUE(array.Reserve(3));  // below the capacity: nothing to do
    EXPECT_EQ(array.Capacity(), 4);
    ASSERT_TRUE(array.Reserve(4));  // at the capacity: (4 / 4 + 1) x 4
    EXPECT_EQ(array.Capacity(), 8);
    ASSERT_TRUE(array.Reserve(17));  // a step past the index beats doubling
    EXPECT_EQ(array.Capacity(), 20);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(array[i], i + 10);
    EXPECT_EQ(array[19], 0);
    ASSERT_TRUE(array.Reserve(20));  // doubling beats a step past the index
    EXPECT_EQ(array.Capacity(), 40);

    // Items added one at a time move to a new block a logarithmic number of
    // times, not once per step.
    Utils::Array<int32_t, 4> grown;
    int growths = 0;
    for (int32_t i = 0; i < 100000; ++i) {
        const int32_t before = grown.Capacity();
        ASSERT_TRUE(grown.Reserve(i));
        if (grown.Capacity() != before) ++growths;
        grown[i] = i;
    }
    EXPECT_LE(growths, 16);
    EXPECT_EQ(grown[0], 0);
    EXPECT_EQ(grown[99999], 99999);
}

TEST(UtilsQueue, GrowsAcrossTheWrapInQueueOrder) {
    Utils::Queue<char*, 1> queue(2);
    char a = 'a', b = 'b', c = 'c', d = 'd';
    ASSERT_TRUE(queue.Push(&a));
    ASSERT_TRUE(queue.Push(&b));
    char* out = nullptr;
    ASSERT_TRUE(queue.Pop(out));
    EXPECT_EQ(out, &a);
    ASSERT_TRUE(queue.Push(&c));  // wraps to slot 0
    // Full, with read index 1 and write index 1.
    ASSERT_EQ(queue.Capacity(), 2);
    ASSERT_EQ(queue.ReadIndex(), 1);
    ASSERT_EQ(queue.WriteIndex(), 1);
    ASSERT_TRUE(queue.Push(&d));
    EXPECT_EQ(queue.Capacity(), 4);
    EXPECT_EQ(queue.Items()[0], &b);
    EXPECT_EQ(queue.Items()[1], &c);
    EXPECT_EQ(queue.Items()[2], &d);
    EXPECT_EQ(queue.ReadIndex(), 0);
    EXPECT_EQ(queue.WriteIndex(), 3);
}

TEST(UtilsQueue, RandomPushAndPopMatchADeque) {
    std::mt19937 random(7);
    Utils::Queue<int32_t, 1> queue(3);
    std::deque<int32_t> model;
    for (int32_t i = 0; i < 20000; ++i) {
        if (model.empty() || random() % 3 != 0) {
            ASSERT_TRUE(queue.Push(i));
            model.push_back(i);
        } else {
            int32_t out = -1;
            ASSERT_TRUE(queue.Pop(out));
            ASSERT_EQ(out, model.front());
            model.pop_front();
        }
        ASSERT_EQ(queue.Count(), static_cast<int32_t>(model.size()));
        if (!model.empty()) {
            ASSERT_EQ(queue.At(queue.Count() - 1), model.back());
        }
    }
    int32_t out = 0;
    while (!model.empty()) {
        ASSERT_TRUE(queue.Pop(out));
        ASSERT_EQ(out, model.front());
        model.pop_front();
    }
    EXPECT_FALSE(queue.Pop(out));
}

struct Message {
    uint32_t due;
    int32_t id;
    uint32_t GetPriorityKey() const { return due; }
};

TEST(UtilsPriorityQueue, EqualKeyStaysBelowItsParent) {
    Utils::PriorityQueue<Message> heap;
    Message first{5, 1}, second{5, 2}, smaller{4, 3};
    ASSERT_TRUE(heap.Push(&first));
    ASSERT_TRUE(heap.Push(&second));
    EXPECT_EQ(heap.At(1), &first);
    EXPECT_EQ(heap.At(2), &second);
    ASSERT_TRUE(heap.Push(&smaller));
    EXPECT_EQ(heap.At(1), &smaller);
    EXPECT_EQ(heap.At(3), &first);
}

// Pushes, pops and removals at random slots against std::priority_queue
// (keys only; equal keys may come out in any order).
TEST(UtilsPriorityQueue, RandomOperationsMatchStdPriorityQueue) {
    std::mt19937 random(11);
    Utils::PriorityQueue<Message> heap;
    std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> model;
    std::deque<Message> storage;
    std::vector<uint32_t> removedByIndex;
    for (int32_t i = 0; i < 20000; ++i) {
        const uint32_t choice = random() % 10;
        if (heap.IsEmpty() || choice < 5) {
            storage.push_back({static_cast<uint32_t>(random() % 500), i});
            ASSERT_TRUE(heap.Push(&storage.back()));
            model.push(storage.back().due);
        } else if (choice < 9) {
            Message* top = heap.Pop();
            ASSERT_NE(top, nullptr);
            ASSERT_EQ(top->due, model.top());
            model.pop();
        } else {
            // Remove from the middle: the model loses the same key.
            const int32_t slot = 1 + static_cast<int32_t>(random() % static_cast<uint32_t>(heap.Count()));
            Message* removed = heap.RemoveAt(slot);
            ASSERT_NE(removed, nullptr);
            std::vector<uint32_t> rest;
            bool dropped = false;
            while (!model.empty()) {
                if (!dropped && model.top() == removed->due) dropped = true;
                else rest.push_back(model.top());
                model.pop();
            }
            ASSERT_TRUE(dropped);
            for (uint32_t key : rest) model.push(key);
        }
        ASSERT_EQ(heap.Count(), static_cast<int32_t>(model.size()));
        for (int32_t k = 2; k <= heap.Count(); ++k) ASSERT_LE(heap.At(k / 2)->due, heap.At(k)->due);
    }
    EXPECT_EQ(heap.RemoveAt(0), nullptr);
    EXPECT_EQ(heap.RemoveAt(heap.Count() + 1), nullptr);
}

struct Item : Utils::IDoubleLinkListNode {
    explicit Item(int v) : value(v) {}
    int value;
};

std::vector<int> Values(Utils::IDoubleLinkList& list) {
    std::vector<int> values;
    for (auto* node = list.Begin(); node != list.End(); node = node->Next()) values.push_back(static_cast<Item*>(node)->value);
    return values;
}

TEST(UtilsIDoubleLinkList, LinksUnlinksAndRemovesAllWithoutDeleting) {
    Item a(1), b(2), c(3);
    {
        Utils::IDoubleLinkList list;
        EXPECT_EQ(list.Begin(), list.End());
        ASSERT_TRUE(list.AddTail(&b));
        ASSERT_TRUE(list.AddHead(&a));
        ASSERT_TRUE(list.AddTail(&c));
        EXPECT_FALSE(list.AddTail(&a));  // already linked
        EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
        ASSERT_TRUE(list.Remove(&b));
        EXPECT_FALSE(b.IsLinked());
        EXPECT_EQ(Values(list), (std::vector<int>{1, 3}));
        EXPECT_EQ(list.Count(), 2);
        list.RemoveAll();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Begin(), list.End());
        EXPECT_FALSE(a.IsLinked());
        EXPECT_FALSE(c.IsLinked());
        ASSERT_TRUE(list.AddTail(&c));
    }
    // The list's destructor unlinked c.
    EXPECT_FALSE(c.IsLinked());
    EXPECT_EQ(c.Next(), nullptr);
}

TEST(UtilsDoubleLinkList, KeepsOrderAndNeverOwnsTheData) {
    int values[4] = {1, 2, 3, 4};
    Utils::DoubleLinkList list;
    EXPECT_EQ(list.Begin(), list.End());
    for (int& v : values) ASSERT_TRUE(list.AddTail(&v));
    EXPECT_EQ(list.Count(), 4);
    auto* second = list.Begin()->next;
    auto* third = list.Remove(second);
    EXPECT_EQ(third->data, &values[2]);
    std::vector<int> seen;
    for (auto* node = list.Begin(); node != list.End(); node = node->next) seen.push_back(*static_cast<int*>(node->data));
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Begin(), list.End());
    EXPECT_EQ(values[0], 1);
}

}  // namespace
