#include <gtest/gtest.h>

#include <string>

#include "engine/DynamicArray.h"

namespace {

TEST(Array, ReserveRoundsCapacityUpToStepAndKeepsItems) {
    struct Case {
        int32_t reserve;
        int32_t capacity;
    };
    const Case cases[] = {{0, 0}, {1, 8}, {8, 8}, {9, 16}, {17, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reserve);
        Vek::Array<std::string, 8> array;
        array.Reserve(c.reserve);
        EXPECT_EQ(array.Capacity(), c.capacity);
        EXPECT_EQ(array.Count(), 0);
    }

    Vek::Array<std::string, 8> array;
    for (int i = 0; i < 5; ++i) array.Add(std::string(40, static_cast<char>('a' + i)));
    EXPECT_EQ(array.Capacity(), 8);
    array.Reserve(20);
    EXPECT_EQ(array.Capacity(), 24);
    ASSERT_EQ(array.Count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(array[i], std::string(40, static_cast<char>('a' + i)));
    // A smaller request changes nothing.
    const std::string* data = array.Data();
    array.Reserve(3);
    EXPECT_EQ(array.Capacity(), 24);
    EXPECT_EQ(array.Data(), data);
}

TEST(Array, GrowsInStepsAndAddsItsOwnItemsSafely) {
    Vek::Array<std::string, 4> array;
    array.Add(std::string(50, 'x'));
    for (int i = 1; i < 16; ++i) {
        // The item added lives in the block that growing frees.
        array.Add(array[0]);
        EXPECT_EQ(array.Capacity() % 4, 0);
        EXPECT_GE(array.Capacity(), array.Count());
        EXPECT_LT(array.Capacity() - array.Count(), 4);
    }
    ASSERT_EQ(array.Count(), 16);
    ASSERT_EQ(array.Capacity(), 16);
    for (const std::string& s : array) EXPECT_EQ(s, std::string(50, 'x'));
    array.Add(std::move(array[15]));
    EXPECT_EQ(array.Capacity(), 20);
    EXPECT_EQ(array[16], std::string(50, 'x'));
}

TEST(Array, SetCountClearCopyAndMove) {
    Vek::Array<float, 8> array;
    array.SetCount(3);
    ASSERT_EQ(array.Count(), 3);
    EXPECT_EQ(array[2], 0.0f);
    array[1] = 2.5f;
    Vek::Array<float, 8> copy(array);
    copy[1] = 7.0f;
    EXPECT_EQ(array[1], 2.5f);
    Vek::Array<float, 8> moved(std::move(copy));
    EXPECT_EQ(moved[1], 7.0f);
    EXPECT_EQ(copy.Count(), 0);
    array.SetCount(1);
    EXPECT_EQ(array.Count(), 1);
    array.Clear();
    EXPECT_TRUE(array.IsEmpty());
    EXPECT_EQ(array.Capacity(), 8);
}

}  // namespace
