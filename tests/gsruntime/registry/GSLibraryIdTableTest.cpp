#include "gsruntime/GSLibraryIdTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using GSRuntime::GSLibraryId;
using GSRuntime::GSLibraryIdTable;

struct Value {
    explicit Value(int n, int* deleted = nullptr) : n(n), deleted(deleted) {}
    virtual ~Value() {
        if (deleted) ++*deleted;
    }
    int n;
    int* deleted;
};

TEST(GSLibraryIdTable, BucketsByAAndOrdersChainsByAThenB) {
    GSLibraryIdTable<Value> table;
    ASSERT_TRUE(table.Init(5));
    std::vector<Value> values;
    for (int i = 0; i < 6; ++i) values.emplace_back(i);
    // a = 7 and 12 share bucket 2; 0xFFFFFFFF (bucket 0) compares unsigned.
    const GSLibraryId ids[] = {{12, 1}, {7, 9}, {7, 3}, {0xFFFFFFFFu, 0}, {5, 0}, {2, 2}};
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(table.Insert(ids[i], &values[i]));
    EXPECT_FALSE(table.Insert({7, 3}, &values[0]));  // present: refused, unchanged
    EXPECT_EQ(table.Count(), 6);

    std::vector<GSLibraryId> walk;
    GSLibraryIdTable<Value>::Cursor cursor;
    for (table.Begin(cursor); !cursor.IsEnd(); cursor.Next()) walk.push_back(cursor.Key());
    const std::vector<GSLibraryId> expected = {{5, 0}, {0xFFFFFFFFu, 0}, {2, 2}, {7, 3}, {7, 9}, {12, 1}};
    EXPECT_EQ(walk, expected);

    EXPECT_EQ(table.Lookup({7, 3}), &values[2]);
    EXPECT_EQ(table.Lookup({7, 4}), nullptr);
    EXPECT_EQ(table.Lookup({17, 0}), nullptr);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Lookup({7, 3}), nullptr);
}

TEST(GSLibraryIdTable, DeleteValuesDeletesThroughTheDestructor) {
    int deleted = 0;
    GSLibraryIdTable<Value> table;
    ASSERT_TRUE(table.Init(3));
    for (uint32_t i = 0; i < 10; ++i) ASSERT_TRUE(table.Insert({i, i}, new Value(static_cast<int>(i), &deleted)));
    table.DeleteValues();
    EXPECT_EQ(deleted, 10);
    EXPECT_EQ(table.Count(), 0);
    EXPECT_TRUE(table.Insert({1, 1}, nullptr));  // the buckets stay
}

TEST(GSLibraryIdTable, WithoutBucketsNothingGoesIn) {
    GSLibraryIdTable<Value> table;
    Value value(0);
    EXPECT_FALSE(table.Insert({1, 1}, &value));
    EXPECT_FALSE(table.Init(0));
    EXPECT_EQ(table.Lookup({1, 1}), nullptr);
    GSLibraryIdTable<Value>::Cursor cursor;
    table.Begin(cursor);
    EXPECT_TRUE(cursor.IsEnd());
}

}  // namespace
