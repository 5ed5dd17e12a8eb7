// The chunk model: reference counting, byte blocks, the null chunk, the
// editable container and value nodes, and the deep copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/Alloc.h"
#include "foundation/soups/CopyChunk.h"
#include "foundation/soups/TDBContainerTag.h"
#include "foundation/soups/TDBDataTag.h"
#include "SoupTestSupport.h"

namespace {

using SoupTest::Bytes;
using SoupTest::ChunkBytes;

// Counts its own destructions.
struct Probe : ReferenceCountMP {
    explicit Probe(int* destroyed) : destroyed(destroyed) {}
    ~Probe() override { ++*destroyed; }
    int* destroyed;
};

ChunkRef IntTag(int32_t value) {
    return CreateEditableChunk(ACSKind::kIntegers, MakeRawDataCopy(4, &value));
}

ChunkRef Container(const std::vector<std::pair<std::string, ChunkRef>>& children) {
    ChunkRef c = CreateEditableChunk(ACSKind::kContainer, nullptr);
    for (const auto& [name, chunk] : children) c->AppendChild(Vek::PString(name.c_str()), chunk);
    return c;
}

std::vector<std::string> Names(const ChunkRef& c) {
    std::vector<std::string> names;
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; i < c->Count(); ++i) {
        EXPECT_TRUE(c->GetChildAt(i, name, child));
        names.push_back(name.c_str());
    }
    return names;
}

std::vector<ACSChunk*> Chunks(const ChunkRef& c) {
    std::vector<ACSChunk*> chunks;
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; c->GetChildAt(i, name, child); ++i) chunks.push_back(child.Get());
    return chunks;
}

TEST(CountedRef, AdoptsTheCreationReferenceAndReleasesTheLast) {
    int destroyed = 0;
    {
        CountedRef<Probe> a = MakeCounted<Probe>(&destroyed);
        EXPECT_EQ(a->GetReferenceCount(), 1);
        CountedRef<Probe> b = a;
        EXPECT_EQ(a->GetReferenceCount(), 2);
        b = b;  // self-assignment keeps the object
        EXPECT_EQ(a->GetReferenceCount(), 2);
        CountedRef<ReferenceCountMP> base = b;  // converts, adds a reference
        EXPECT_EQ(a->GetReferenceCount(), 3);
        b.Release();
        base = nullptr;
        EXPECT_EQ(destroyed, 0);
        EXPECT_EQ(a->GetReferenceCount(), 1);
    }
    EXPECT_EQ(destroyed, 1);

    // Assigning a pointer whose object only the old value kept alive: the
    // new one is referenced before the old one goes.
    ChunkRef outer = Container({{"x", IntTag(1)}});
    ChunkRef child = outer->GetChild("x");
    outer = child;  // the container (holding child) dies; child lives on
    EXPECT_EQ(outer->GetKind(), ACSKind::kIntegers);
    EXPECT_EQ(outer->GetReferenceCount(), 2);  // outer and child

    // Share adds a reference; Adopt takes over the one a pointer carries.
    int shared = 0;
    Probe* raw = new Probe(&shared);
    CountedRef<Probe> adopted = CountedRef<Probe>::Adopt(raw);
    CountedRef<Probe> sharing = CountedRef<Probe>::Share(raw);
    EXPECT_EQ(raw->GetReferenceCount(), 2);
    adopted.Release();
    sharing.Release();
    EXPECT_EQ(shared, 1);
}

TEST(RawData, MakersReturnNullForNoBytesAndViewsKeepTheirParent) {
    uint8_t bytes[3] = {1, 2, 3};
    EXPECT_FALSE(MakeRawDataCopy(0, bytes));
    EXPECT_FALSE(MakeRawDataCopy(3, nullptr));

    int destroyed = 0;
    CountedRef<Probe> parent = MakeCounted<Probe>(&destroyed);
    EXPECT_FALSE(MakeRawDataView(0, bytes, parent));
    EXPECT_FALSE(MakeRawDataView(3, nullptr, parent));
    EXPECT_EQ(parent->GetReferenceCount(), 1);  // the refused views dropped it

    RawDataRef view = MakeRawDataView(3, bytes, parent);
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->OwnsBytes());
    EXPECT_EQ(view->Data(), bytes);
    parent.Release();
    EXPECT_EQ(destroyed, 0);
    view.Release();
    EXPECT_EQ(destroyed, 1);

    void* block = Vek::Alloc::New(8);
    EXPECT_FALSE(MakeRawData(block, 0));  // frees the block (ASan checks)
    RawDataRef copy = MakeRawDataCopy(3, bytes);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->OwnsBytes());
    EXPECT_NE(copy->Data(), bytes);
    EXPECT_EQ(Bytes(copy->Data(), copy->Data() + 3), Bytes({1, 2, 3}));

    ChunkRef tag = IntTag(5);
    RawDataRef chunkView = MakeChunkDataView(tag);
    EXPECT_EQ(chunkView->Data(), tag->GetData());
    EXPECT_EQ(tag->GetReferenceCount(), 2);  // the view holds the chunk
    EXPECT_FALSE(MakeChunkDataView(CreateEditableChunk(ACSKind::kText, nullptr)));
}

TEST(NullChunk, StandsForEveryMissingTag) {
    ChunkRef c = Container({{"a", IntTag(1)}});
    ChunkRef missing = c->GetChild("nothere");
    ASSERT_TRUE(missing);
    EXPECT_TRUE(IsNullChunk(missing));
    EXPECT_EQ(missing, NullChunk());
    EXPECT_EQ(missing->GetKind(), ACSKind::kEmpty);
    EXPECT_EQ(missing->Count(), 0);
    EXPECT_EQ(missing->GetData(), nullptr);
    EXPECT_TRUE(IsNullChunk(missing->CreateChunk(ACSKind::kIntegers, nullptr)));

    Vek::PString name("junk");
    ChunkRef chunk = IntTag(1);
    EXPECT_FALSE(c->GetChildAt(1, name, chunk));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_TRUE(IsNullChunk(chunk));
    EXPECT_FALSE(c->GetChildAt(-1, name, chunk));

    // A kind-0 value is absent for the handle's tests, but not the null chunk.
    ChunkRef empty = CreateEditableChunk(ACSKind::kEmpty, nullptr);
    EXPECT_FALSE(IsNullChunk(empty));
    EXPECT_TRUE(IsAbsentChunk(empty));
}

TEST(NullChunk, FirstUseFromManyThreadsMakesOne) {
    std::vector<const ACSChunk*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = NullChunk().Get(); });
    for (auto& t : threads) t.join();
    for (const ACSChunk* p : seen) EXPECT_EQ(p, seen[0]);
}

TEST(ContainerTag, NamesRepeatAndRemovalKeepsOrder) {
    ChunkRef first = IntTag(1), second = IntTag(2), third = IntTag(3);
    ChunkRef c = Container({{"a", first}, {"a", second}});
    EXPECT_EQ(c->GetChild("a"), first);
    c->AppendChild("a", third);
    EXPECT_EQ(c->Count(), 3);
    c->AppendChild("b", nullptr);  // a null chunk adds nothing
    EXPECT_EQ(c->Count(), 3);

    c->RemoveChild(IntTag(9));  // not held: nothing
    EXPECT_EQ(c->Count(), 3);
    c->RemoveChild(second);
    EXPECT_EQ(Chunks(c), (std::vector<ACSChunk*>{first.Get(), third.Get()}));

    // Names match by identity of the interned string, so case matters.
    ChunkRef upper = Container({{"Name", IntTag(1)}});
    EXPECT_TRUE(IsNullChunk(upper->GetChild("name")));

    // The same chunk held twice: removal takes the first pair.
    ChunkRef shared = IntTag(7);
    ChunkRef twice = Container({{"x", shared}, {"y", IntTag(0)}, {"z", shared}});
    twice->RemoveChild(shared);
    EXPECT_EQ(Names(twice), (std::vector<std::string>{"y", "z"}));

    // Values have no children and ignore container edits.
    ChunkRef value = IntTag(4);
    value->AppendChild("x", IntTag(1));
    EXPECT_EQ(value->Count(), 0);
    EXPECT_TRUE(IsNullChunk(value->GetChild("x")));
}

TEST(ContainerTag, SwapChildrenExchangesChunksNotNames) {
    ChunkRef x = IntTag(1), y = IntTag(2), z = IntTag(3);
    struct Case {
        const char* what;
        ChunkRef a, b;
        std::vector<ACSChunk*> expected;
    };
    std::vector<Case> cases = {
        {"both present", x, y, {y.Get(), x.Get(), z.Get()}},
        {"b absent", x, IntTag(9), {x.Get(), y.Get(), z.Get()}},
        {"same chunk", x, x, {x.Get(), y.Get(), z.Get()}},
        {"null", x, nullptr, {x.Get(), y.Get(), z.Get()}},
    };
    for (const Case& c : cases) {
        ChunkRef container = Container({{"a", x}, {"b", y}, {"c", z}});
        container->SwapChildren(c.a, c.b);
        EXPECT_EQ(Chunks(container), c.expected) << c.what;
        EXPECT_EQ(Names(container), (std::vector<std::string>{"a", "b", "c"})) << c.what;
    }

    // A chunk held twice: the last pair holding it counts.
    ChunkRef twice = Container({{"a", x}, {"b", y}, {"c", x}});
    twice->SwapChildren(x, y);
    EXPECT_EQ(Chunks(twice), (std::vector<ACSChunk*>{x.Get(), x.Get(), y.Get()}));
}

TEST(ContainerTag, SortChildrenOrdersByUnsignedBytes) {
    struct Case {
        std::vector<std::string> in;
        std::vector<std::string> out;
    };
    std::vector<Case> cases = {
        {{}, {}},
        {{"b"}, {"b"}},
        {{"b", "B", "a", "A"}, {"A", "B", "a", "b"}},
        {{"ab", "a", "", "\xe9", "z"}, {"", "a", "ab", "z", "\xe9"}},
    };
    std::vector<std::string> descending, ascending;
    for (int i = 20; i > 0; --i) descending.push_back("n" + std::to_string(100 + i));
    ascending = descending;
    std::reverse(ascending.begin(), ascending.end());
    cases.push_back({descending, ascending});

    for (const Case& c : cases) {
        std::vector<std::pair<std::string, ChunkRef>> children;
        for (const std::string& n : c.in) children.push_back({n, IntTag(0)});
        ChunkRef container = Container(children);
        container->SortChildren();
        EXPECT_EQ(Names(container), c.out);
    }

    // Many random names, with repeats, across several blocks of the ring.
    std::mt19937 random(7);
    std::vector<std::string> names;
    std::vector<std::pair<std::string, ChunkRef>> children;
    for (int i = 0; i < 300; ++i) {
        names.push_back(std::string(1, static_cast<char>('a' + random() % 6)) + std::to_string(random() % 9));
        children.push_back({names.back(), IntTag(i)});
    }
    ChunkRef container = Container(children);
    container->SortChildren();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(Names(container), names);
    EXPECT_EQ(container->Count(), 300);
}

TEST(ContainerTag, SortOrderOfEqualNamesFollowsThePartition) {
    // Ten equal names only go through insertion sort, which keeps them;
    // eleven go through one partition, which swaps them end for end.
    for (int n : {10, 11}) {
        std::vector<std::pair<std::string, ChunkRef>> children;
        std::vector<ACSChunk*> order;
        for (int i = 0; i < n; ++i) {
            children.push_back({"same", IntTag(i)});
            order.push_back(children.back().second.Get());
        }
        ChunkRef container = Container(children);
        container->SortChildren();
        if (n == 11) std::reverse(order.begin(), order.end());
        EXPECT_EQ(Chunks(container), order) << n;
    }
}

TEST(ContainerTag, CreateChunkMakesEditableNodes) {
    RawDataRef block = MakeRawDataCopy(3, "ab");
    ChunkRef container = Container({});
    ChunkRef made = container->CreateChunk(ACSKind::kContainer, block);
    EXPECT_EQ(made->GetKind(), ACSKind::kContainer);
    EXPECT_EQ(made->GetSize(), 0);
    EXPECT_EQ(made->Count(), 0);
    EXPECT_EQ(container->Count(), 0);  // it belongs to nobody yet

    ChunkRef value = container->CreateChunk(ACSKind::kIntegers, nullptr);
    EXPECT_EQ(value->GetKind(), ACSKind::kIntegers);
    EXPECT_EQ(value->GetSize(), 0);
    EXPECT_EQ(value->GetData(), nullptr);

    value->SetKindAndData(ACSKind::kText, block);
    EXPECT_EQ(value->GetKind(), ACSKind::kText);
    EXPECT_EQ(value->GetData(), block->Data());
    made->SetKindAndData(ACSKind::kText, block);  // a container ignores it
    EXPECT_EQ(made->GetKind(), ACSKind::kContainer);
}

TEST(CopyChunk, ReplacesChildrenAndSharesValueBytes) {
    ChunkRef inner = Container({{"v", IntTag(5)}});
    ChunkRef source = Container({{"a", IntTag(1)}, {"c", inner}, {"a", IntTag(2)}});
    ChunkRef destination = Container({{"old", IntTag(9)}, {"older", IntTag(8)}});
    CopyChunk(destination, source);

    EXPECT_EQ(Names(destination), (std::vector<std::string>{"a", "c", "a"}));
    ChunkRef copiedInner = destination->GetChild("c");
    EXPECT_NE(copiedInner, inner);
    EXPECT_EQ(Names(copiedInner), (std::vector<std::string>{"v"}));
    ChunkRef copiedValue = copiedInner->GetChild("v");
    EXPECT_NE(copiedValue, inner->GetChild("v"));
    EXPECT_EQ(copiedValue->GetData(), inner->GetChild("v")->GetData());  // bytes shared

    // The copy is independent of later edits of the source's nodes.
    inner->AppendChild("w", IntTag(6));
    EXPECT_EQ(copiedInner->Count(), 1);

    // A source of kind 0 leaves the destination's own kind and bytes.
    ChunkRef value = IntTag(42);
    Bytes before = ChunkBytes(value);
    CopyChunk(value, NullChunk());
    EXPECT_EQ(value->GetKind(), ACSKind::kIntegers);
    EXPECT_EQ(ChunkBytes(value), before);

    // A value source gives a value destination its kind and bytes.
    ChunkRef target = CreateEditableChunk(ACSKind::kEmpty, nullptr);
    CopyChunk(target, value);
    EXPECT_EQ(target->GetKind(), ACSKind::kIntegers);
    EXPECT_EQ(ChunkBytes(target), before);
}

}  // namespace

namespace {

// The first child of `name` by walking the children in order.
ChunkRef FirstByWalk(const ChunkRef& c, const Vek::PString& wanted) {
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; c->GetChildAt(i, name, child); ++i)
        if (name == wanted) return child;
    return ChunkRef();
}

// A large container answers GetChild from its name index, which appends
// extend: after every kind of edit each name gives the first child of that
// name, as a walk does, and the count is the number of children walked.
TEST(EditableContainer, LookUpByNameMatchesAWalkAfterEveryEdit) {
    std::mt19937 random(7);
    std::vector<std::pair<std::string, ChunkRef>> children;
    for (int i = 0; i < 200; ++i) children.emplace_back("t" + std::to_string(random() % 120), IntTag(i));
    ChunkRef c = Container(children);
    std::vector<Vek::PString> names;
    for (int i = 0; i < 130; ++i) names.emplace_back(("t" + std::to_string(i)).c_str());
    names.emplace_back("");
    auto check = [&](const char* after) {
        EXPECT_EQ(static_cast<std::size_t>(c->Count()), Chunks(c).size()) << after;
        for (const Vek::PString& name : names) {
            const ChunkRef expected = FirstByWalk(c, name);
            const ChunkRef found = c->GetChild(name);
            EXPECT_EQ(found.Get(), expected ? expected.Get() : NullChunk().Get()) << after << ": " << name.c_str();
        }
    };
    check("built");
    for (int round = 0; round < 40; ++round) {
        const std::vector<ACSChunk*> chunks = Chunks(c);
        switch (round % 4) {
            case 0: c->RemoveChild(ChunkRef::Share(chunks[random() % chunks.size()])); break;
            case 1: c->AppendChild(names[random() % names.size()], IntTag(1000 + round)); break;
            case 2:
                c->SwapChildren(ChunkRef::Share(chunks[random() % chunks.size()]), ChunkRef::Share(chunks[random() % chunks.size()]));
                break;
            default: c->SortChildren(); break;
        }
        check(("round " + std::to_string(round)).c_str());
    }
}

}  // namespace
