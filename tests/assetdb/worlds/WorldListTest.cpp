#include "assetdb/worlds/WorldList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "WorldTestItems.h"
#include "assetdb/worlds/RetainedWorldItems.h"
#include "foundation/streams/BufferStream.h"

namespace {

using WorldTest::Factory;
using WorldTest::Item;
using WorldTest::kTypeA;
using WorldTest::kTypeB;

std::vector<int32_t> Int32s(const TBuffer& stream) {
    std::vector<int32_t> words(static_cast<std::size_t>(stream.GetDataSize()) / 4);
    std::memcpy(words.data(), stream.GetData(), words.size() * 4);
    return words;
}

TEST(WorldList, AddItemHandsOutEvenIdsAndReusesFreedOnes) {
    WorldList list;
    auto* a = new Item(kTypeA);
    auto* b = new Item(kTypeA);
    auto* c = new Item(kTypeA);
    EXPECT_EQ(list.AddItem(a), 0);
    EXPECT_EQ(list.AddItem(b), 2);
    EXPECT_EQ(list.AddItem(c), 4);
    EXPECT_EQ(list.GetSlotCount(), 6);
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(a->added, 1);
    EXPECT_EQ(list.AddItem(a), -1);  // already in a list

    delete b;  // leaves the list
    EXPECT_EQ(list.GetItem(2), nullptr);
    EXPECT_EQ(list.GetItemCount(), 2);
    auto* d = new Item(kTypeA);
    EXPECT_EQ(list.AddItem(d), 2);
    EXPECT_EQ(d->GetList(), &list);
    EXPECT_EQ(list.GetSlotCount(), 6);

    // A retained item keeps its id from being handed out again.
    RetainedWorldItems().insert(a);
    delete a;
    EXPECT_EQ(list.GetReservedIDs().count(0), 1u);
    EXPECT_TRUE(RetainedWorldItems().empty());
    auto* e = new Item(kTypeA);
    EXPECT_EQ(list.AddItem(e), 6);
    EXPECT_EQ(list.GetSlotCount(), 8);
}

TEST(WorldList, PutItemAtGrowsTheSlotsToTheId) {
    WorldList list;
    auto* far = new Item(kTypeA);
    ASSERT_TRUE(list.PutItemAt(1025, far));
    EXPECT_EQ(list.GetSlotCount(), 1026);
    EXPECT_EQ(list.BlockCount(), 2u);
    EXPECT_EQ(list.GetBlock(0), nullptr);
    ASSERT_NE(list.GetBlock(1), nullptr);
    EXPECT_EQ(list.GetBlock(1)[1], far);
    EXPECT_EQ(far->GetID(), 1025);

    Item other(kTypeA);
    EXPECT_FALSE(list.PutItemAt(1025, &other));  // slot taken
    EXPECT_FALSE(list.PutItemAt(3, far));        // already in a list
    EXPECT_FALSE(list.PutItemAt(-1, &other));
    EXPECT_FALSE(list.PutItemAt(WorldList::kMaxItemID + 1, &other));
    EXPECT_EQ(other.GetList(), nullptr);
    // Even ids still start at the bottom.
    auto* low = new Item(kTypeA);
    EXPECT_EQ(list.AddItem(low), 0);
}

TEST(WorldList, DispatchAndDeleteItemsSelectByFlags) {
    WorldList list;
    auto* plain = new Item(kTypeA, 0, 1);
    auto* marked = new Item(kTypeA, 0, 1 | 8);
    list.AddItem(plain);
    list.AddItem(marked);
    list.Dispatch(77, 8);  // becomes 9: only items with bits 0 and 3
    EXPECT_TRUE(plain->dispatched.empty());
    ASSERT_EQ(marked->dispatched.size(), 1u);
    EXPECT_EQ(marked->dispatched[0], (std::pair<uint32_t, uint32_t>{77, 9}));

    list.DeleteItems(8, 8);
    EXPECT_EQ(list.GetItem(2), nullptr);
    EXPECT_EQ(list.GetItem(0), plain);
    list.DeleteItems(0, 0);
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(WorldListSaving, WritesRecordsAndAnExtraSection) {
    WorldList list(nullptr, 42);
    auto* a = new Item(kTypeA, 111);
    auto* b = new Item(kTypeB, 222);
    a->kuid = KUID(300, 9, 0);
    list.AddItem(a);
    list.AddItem(b);
    TBuffer stream;
    list.SaveItems(stream, 0, 0);
    EXPECT_EQ(a->seenListValue, 42);

    const uint32_t nullPacked = 0xFFFFFFFFu;
    const std::vector<int32_t> expected = {
        5, 42,
        0, static_cast<int32_t>(kTypeA), 9, 300, 4, 111,                   // id, type, KUID, length, data
        2, static_cast<int32_t>(kTypeB), -1, static_cast<int32_t>(nullPacked), 4, 222,
        -1,
        16, static_cast<int32_t>(0xFEEDCEEBu), 5, 42, -1,                  // the extra section
    };
    EXPECT_EQ(Int32s(stream), expected);
}

struct Factories {
    Factory a{kTypeA};
    Factory b{kTypeB};
};

TEST(WorldListSaving, RoundTripRecreatesItemsAndPublishesValues) {
    Factories factories;
    TBuffer stream;
    {
        WorldList list(nullptr, 7);
        auto* a = new Item(kTypeA, 10, 1 | 4);
        auto* b = new Item(kTypeB, 20, 1 | 4);
        a->kuid = KUID(5, 6, 1);
        a->extra = 100;
        b->extra = 200;
        list.AddItem(a);
        list.PutItemAt(7, b);
        list.SaveItems(stream, 4, 4);
    }
    stream.Rewind();
    int context = 0;
    WorldList copy(&context, 3);
    copy.LoadItems(stream, true, 4);
    EXPECT_EQ(stream.GetError(), 0);
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(copy.GetListValue(), 3);  // the stored value applies only while loading
    auto* a = dynamic_cast<Item*>(copy.GetItem(0));
    auto* b = dynamic_cast<Item*>(copy.GetItem(7));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->type, kTypeA);
    EXPECT_EQ(a->payload, 10);
    EXPECT_EQ(b->payload, 20);
    EXPECT_EQ(a->extra, 100);
    EXPECT_EQ(b->extra, 200);
    EXPECT_EQ(a->seenKUID, KUID(5, 6, 1));
    EXPECT_EQ(a->seenContext, &context);
    EXPECT_EQ(a->seenListValue, 7);
    EXPECT_EQ(factories.a.lastContext, &context);
    EXPECT_TRUE(WorldListValues::LoadingKUID().IsNull());
    EXPECT_EQ(WorldListValues::ListValue(), -1);

    // Loading again over the same list reuses the items of the same type.
    stream.Rewind();
    copy.LoadItems(stream, false, 0);
    EXPECT_EQ(copy.GetItem(0), a);
    EXPECT_EQ(a->loads, 2);
    EXPECT_EQ(factories.a.created, 1);
}

// A hand-made version-3 stream: records of an unknown type and of a type
// that makes no list item are skipped; the records go on.
TEST(WorldListLoading, SkipsRecordsNoFactoryCanMake) {
    Factory a(kTypeA);
    WorldTest::StrangerFactory stranger;
    TBuffer stream;
    stream.WriteInt32(3);
    stream.WriteInt32(0);
    stream.WriteUInt32(WorldFactoryType("none"));
    stream.WriteKUID(KUID());
    stream.WriteInt32(8);
    stream.WriteInt32(1);
    stream.WriteInt32(2);
    stream.WriteInt32(4);
    stream.WriteUInt32(kTypeB);
    stream.WriteKUID(KUID());
    stream.WriteInt32(4);
    stream.WriteInt32(3);
    stream.WriteInt32(2);
    stream.WriteUInt32(kTypeA);
    stream.WriteKUID(KUID());
    stream.WriteInt32(4);
    stream.WriteInt32(99);
    stream.WriteInt32(-1);
    stream.Rewind();
    WorldList list;
    list.LoadItems(stream, true, 0);
    EXPECT_EQ(list.GetItemCount(), 1);
    auto* item = dynamic_cast<Item*>(list.GetItem(2));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->payload, 99);
    EXPECT_TRUE(stream.Eof());
}

// Streams that must stop the load: what was loaded before stays, and no
// id from the stream makes the slots grow beyond the bound.
TEST(WorldListLoading, StopsAtDamagedRecords) {
    Factory a(kTypeA);
    auto record = [](TBuffer& s, int32_t id, int32_t length, int32_t payload) {
        s.WriteInt32(id);
        s.WriteUInt32(kTypeA);
        s.WriteKUID(KUID());
        s.WriteInt32(length);
        s.WriteInt32(payload);
    };
    struct Case {
        const char* name;
        int32_t version;
        int32_t badId;
        int32_t badLength;
        int32_t itemsAfter;
    };
    const Case cases[] = {
        {"hostile id", 3, 0x7FFFFFF0, 4, 1},
        {"negative id", 4, -7, 4, 1},
        {"id one past the bound", 5, WorldList::kMaxItemID + 1, 4, 1},
        {"data too long", 3, 4, 0x1000000, 1},
        {"unknown version", 6, 4, 4, 0},
        {"version 0", 0, 4, 4, 0},
    };
    for (const Case& c : cases) {
        TBuffer stream;
        stream.WriteInt32(c.version);
        if (c.version == 5) stream.WriteInt32(0);
        record(stream, 0, 4, 1);
        record(stream, c.badId, c.badLength, 2);
        record(stream, 6, 4, 3);
        stream.WriteInt32(-1);
        stream.Rewind();
        WorldList list;
        list.LoadItems(stream, true, 4);
        EXPECT_EQ(list.GetItemCount(), c.itemsAfter) << c.name;
        EXPECT_LE(list.GetSlotCount(), 1) << c.name;
    }

    // Version 2: unframed data; a hostile id ends the load as well.
    TBuffer stream;
    stream.WriteInt32(2);
    stream.WriteInt32(2);
    stream.WriteUInt32(kTypeA);
    stream.WriteInt32(5);
    stream.WriteInt32(0x40000000);
    stream.WriteUInt32(kTypeA);
    stream.WriteInt32(6);
    stream.Rewind();
    WorldList list;
    list.LoadItems(stream, true, 0);
    EXPECT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetSlotCount(), 3);
}

TEST(WorldListLoading, ReplacesAnItemOfAnotherTypeInTheSlot) {
    Factory a(kTypeA);
    WorldList list;
    auto* old = new Item(kTypeB, 5);
    list.AddItem(old);
    TBuffer stream;
    stream.WriteInt32(3);
    stream.WriteInt32(0);
    stream.WriteUInt32(kTypeA);
    stream.WriteKUID(KUID());
    stream.WriteInt32(4);
    stream.WriteInt32(77);
    stream.WriteInt32(-1);
    stream.Rewind();
    list.LoadItems(stream, false, 0);
    auto* now = dynamic_cast<Item*>(list.GetItem(0));
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->type, kTypeA);
    EXPECT_EQ(now->payload, 77);
    EXPECT_EQ(list.GetItemCount(), 1);
}

TEST(WorldListState, RoundTripsItemsOfTheStateType) {
    WorldList list;
    auto* stateful = new Item(WorldTest::kTypeState);
    auto* other = new Item(kTypeA);
    stateful->state = 1234;
    other->state = 55;
    list.AddItem(other);
    list.AddItem(stateful);
    TBuffer stream;
    list.SaveState(stream);
    stream.WriteInt32(0x5A5A);  // what follows the section
    stateful->state = 0;
    other->state = 0;
    stream.Rewind();
    list.LoadState(stream);
    EXPECT_EQ(stateful->state, 1234);
    EXPECT_EQ(other->state, 0);
    int32_t after = 0;
    stream.ReadInt32(after);
    EXPECT_EQ(after, 0x5A5A);
}

TEST(WorldItemFactory, RegistryFollowsTheFactoriesLifetimes) {
    EXPECT_EQ(WorldItemFactory::RegisteredCount(), 0u);
    TBuffer stream;
    EXPECT_EQ(CreateWorldItem(kTypeA, nullptr, stream), nullptr);
    {
        auto first = std::make_unique<Factory>(kTypeA);
        Factory second(kTypeA);
        EXPECT_EQ(WorldItemFactory::RegisteredCount(), 2u);
        EXPECT_NE(CreateWorldItem(kTypeA, nullptr, stream), nullptr);
        EXPECT_EQ(first->created, 1);  // the first registered wins
        first.reset();
        EXPECT_NE(CreateWorldItem(kTypeA, nullptr, stream), nullptr);
        EXPECT_EQ(second.created, 1);
        EXPECT_EQ(CreateWorldItem(kTypeB, nullptr, stream), nullptr);
    }
    EXPECT_EQ(WorldItemFactory::RegisteredCount(), 0u);
}

}  // namespace
