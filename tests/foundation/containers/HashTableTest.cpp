#include "foundation/containers/HashTable.h"

#include <gtest/gtest.h>

#include <set>

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/Alloc.h"
#include "foundation/containers/IHashTable.h"

namespace {

template <class K, class V>
std::vector<K> WalkKeys(Utils::HashTable<K, V>& table) {
    std::vector<K> keys;
    typename Utils::HashTable<K, V>::Iterator it;
    for (table.Begin(it); !it.IsEnd(); it.Next()) keys.push_back(it.Key());
    return keys;
}

// The walk order is recorded in compiled script libraries: bucket h % 61
// with h = h * 3 + signed byte, each chain in byte order. Worked out by hand:
// "zz" = 488 = 8 x 61 shares bucket 0 with ""; "=a" = 280 and ">^" = 280
// share bucket 36 with "a" = 97; 0xE9 counts as -23, giving bucket 34 (as an
// unsigned byte it would be 50).
TEST(UtilsHashTable, TextKeysWalkInBucketThenByteOrder) {
    Utils::HashTable<const char*> table(61);
    const char* keys[] = {"abc", "b", "a", ">^", "=a", "\xe9", "Z", "ba", "ab", "zz", ""};
    for (const char* key : keys) ASSERT_TRUE(table.Insert(key, nullptr)) << key;
    std::vector<std::string> walked;
    for (const char* key : WalkKeys(table)) walked.push_back(key);
    EXPECT_EQ(walked, (std::vector<std::string>{"", "zz", "ab", "ba", "Z", "\xe9", "=a", ">^", "a", "b", "abc"}));
}

TEST(UtilsHashTable, UnsignedKeysWalkByHalfKeyBuckets) {
    Utils::HashTable<unsigned> table(97);
    for (unsigned key : {196u, 1u, 0u, 195u, 2u, 194u, 300u}) ASSERT_TRUE(table.Insert(key, nullptr));
    EXPECT_EQ(WalkKeys(table), (std::vector<unsigned>{0, 1, 194, 195, 2, 196, 300}));
}

TEST(UtilsHashTable, RefusesDuplicatesAndNullKeys) {
    Utils::HashTable<const char*> table(97);
    int one = 1, two = 2;
    std::string copy = "name";
    EXPECT_TRUE(table.Insert("name", &one));
    EXPECT_FALSE(table.Insert(copy.c_str(), &two));  // equal text, other pointer
    EXPECT_FALSE(table.Insert(nullptr, &two));
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(table.Lookup(copy.c_str()), &one);
    EXPECT_EQ(table.Lookup(nullptr), nullptr);

    Utils::HashTable<const char*> noBuckets;
    EXPECT_FALSE(noBuckets.Insert("x", nullptr));
    Utils::HashTable<const char*>::Iterator it;
    noBuckets.Begin(it);
    EXPECT_TRUE(it.IsEnd());
    EXPECT_FALSE(it.Next());
}

TEST(UtilsHashTable, RemovingAtTheIteratorEmptiesTheTable) {
    Utils::HashTable<unsigned> table(7);
    for (unsigned key = 0; key < 100; ++key) ASSERT_TRUE(table.Insert(key * 5, nullptr));
    Utils::HashTable<unsigned>::Iterator it;
    table.Begin(it);
    std::vector<unsigned> removed;
    unsigned key = 0;
    while (table.Remove(it, &key)) removed.push_back(key);
    EXPECT_EQ(removed.size(), 100u);
    EXPECT_EQ(table.Count(), 0);
    table.Begin(it);
    EXPECT_TRUE(it.IsEnd());

    // An iterator of another table, or the end, removes nothing.
    Utils::HashTable<unsigned> other(7);
    ASSERT_TRUE(other.Insert(1, nullptr));
    other.Begin(it);
    EXPECT_FALSE(table.Remove(it));
    EXPECT_EQ(other.Count(), 1);
}

// Random inserts, lookups and removals (some during a walk) against std::map.
TEST(UtilsHashTable, RandomOperationsMatchAnOrderedMap) {
    std::mt19937 random(5);
    std::vector<std::string> pool;
    for (int i = 0; i < 400; ++i) {
        std::string key;
        const int length = static_cast<int>(random() % 6);
        for (int k = 0; k < length; ++k) key += static_cast<char>(1 + random() % 255);
        pool.push_back(key);
    }
    Utils::HashTable<const char*, std::string> table(13);
    std::map<std::string, const std::string*> model;
    for (int step = 0; step < 20000; ++step) {
        const std::string& key = pool[random() % pool.size()];
        const uint32_t choice = random() % 10;
        if (choice < 5) {
            const bool fresh = !model.count(key);
            ASSERT_EQ(table.Insert(key.c_str(), const_cast<std::string*>(&key)), fresh);
            if (fresh) model[key] = &key;
        } else if (choice < 8) {
            Utils::HashTable<const char*, std::string>::Iterator it;
            const bool present = model.count(key) != 0;
            ASSERT_EQ(table.Find(key.c_str(), it), present);
            if (present && choice == 7) {
                const char* removedKey = nullptr;
                ASSERT_TRUE(table.Remove(it, &removedKey));
                ASSERT_EQ(std::string(removedKey), key);
                model.erase(key);
            } else if (present) {
                ASSERT_EQ(it.Value(), model[key]);
            }
        } else if (step % 50 == 0) {
            // Walk, removing every entry whose first byte is odd.
            Utils::HashTable<const char*, std::string>::Iterator it;
            int visited = 0;
            for (table.Begin(it); !it.IsEnd();) {
                ++visited;
                if (!it.Key()[0] || (it.Key()[0] & 1) == 0) {
                    it.Next();
                    continue;
                }
                model.erase(it.Key());
                ASSERT_TRUE(table.Remove(it));
            }
            ASSERT_GE(visited, table.Count());
        }
        ASSERT_EQ(table.Count(), static_cast<int32_t>(model.size()));
    }
    std::map<std::string, int> walked;
    for (const char* key : WalkKeys(table)) walked[key] += 1;
    ASSERT_EQ(walked.size(), model.size());
    for (auto& [key, count] : walked) {
        EXPECT_EQ(count, 1);
        EXPECT_TRUE(model.count(key));
    }
}

TEST(UtilsHashTable, ClearVariantsFreeWhatTheTableOwns) {
    Utils::HashTable<const char*> table(5);
    for (const char* text : {"one", "two", "three"}) {
        char* key = static_cast<char*>(Vek::Alloc::New(std::strlen(text) + 1));
        std::strcpy(key, text);
        ASSERT_TRUE(table.Insert(key, Vek::Alloc::New(8)));
    }
    // Keys and values are freed once each; the sanitizer reports a leak or a
    // double free otherwise.
    Utils::HashTable<const char*>::Iterator it;
    std::vector<void*> values;
    for (table.Begin(it); !it.IsEnd(); it.Next()) values.push_back(it.Value());
    table.ClearDeletingKeys();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.BucketCount(), 5u);
    for (void* value : values) Vek::Alloc::Delete(value);

    int deleted = 0;
    Utils::HashTable<unsigned, int> owned(3);
    for (unsigned key = 0; key < 4; ++key) ASSERT_TRUE(owned.Insert(key, new int(1)));
    owned.ClearDeletingValues([&](int* value) {
        deleted += *value;
        delete value;
    });
    EXPECT_EQ(deleted, 4);
    EXPECT_TRUE(owned.Insert(7, nullptr));  // buckets kept
}

struct Symbol : Utils::IHashNode {
    explicit Symbol(unsigned k) : key(k) {}
    unsigned Hash() const override { return key; }
    int Compare(const IHashNode& other) const override {
        const unsigned o = static_cast<const Symbol&>(other).key;
        return key < o ? -1 : (key > o ? 1 : 0);
    }
    unsigned key;
};

TEST(UtilsIHashTable, ChainsFollowCompareAndNodesAreNeverDeleted) {
    std::deque<Symbol> symbols;
    for (unsigned key : {12u, 5u, 0u, 7u, 19u, 2u}) symbols.emplace_back(key);
    std::vector<unsigned> walked;
    {
        Utils::IHashTable table;
        ASSERT_TRUE(table.Init(7));
        for (Symbol& s : symbols) ASSERT_TRUE(table.Insert(&s));
        Symbol duplicate(19);
        EXPECT_FALSE(table.Insert(&duplicate));
        Utils::IHashTable::Iterator it;
        for (table.Begin(it); !it.IsEnd(); it.Next()) walked.push_back(static_cast<Symbol*>(it.Node())->key);
        // Buckets: 0 -> 0, 7; 2 -> 2; 5 -> 5, 12, 19.
        EXPECT_EQ(walked, (std::vector<unsigned>{0, 7, 2, 5, 12, 19}));

        Symbol probe(12);
        ASSERT_TRUE(table.Find(probe, it));
        EXPECT_EQ(it.Node(), &symbols[0]);
        Symbol absent(26);
        EXPECT_FALSE(table.Find(absent, it));

        EXPECT_TRUE(table.Remove(&symbols[1]));   // 5, by identity
        EXPECT_FALSE(table.Remove(&symbols[1]));
        EXPECT_FALSE(table.Remove(&duplicate));  // equal key, other node
        table.Begin(it);
        while (table.Remove(it)) {
        }
        EXPECT_EQ(table.Count(), 0);
        ASSERT_TRUE(table.Insert(&symbols[4]));
    }
    // The table's destructor unlinked symbol 19 without deleting it.
    EXPECT_EQ(symbols[4].HashNext(), nullptr);
}


// Past four nodes per bucket the table keeps an index beside its chains;
// the chains, and so the walk order, finds and removals, stay those of the
// plain table. Random inserts, finds and removals (by node and at an
// iterator) on a table of 3 buckets against an ordered model.
TEST(UtilsIHashTable, AnIndexedTableKeepsTheChainsOfAPlainOne) {
    std::deque<Symbol> symbols;
    for (unsigned key = 0; key < 600; ++key) symbols.emplace_back(key * 7919u % 1000u);
    Utils::IHashTable table;
    ASSERT_TRUE(table.Init(3));
    std::set<std::pair<unsigned, unsigned>> model;  // {bucket, key}
    std::mt19937 random(17);
    auto walk = [&]() {
        std::vector<unsigned> keys;
        Utils::IHashTable::Iterator it;
        for (table.Begin(it); !it.IsEnd(); it.Next()) keys.push_back(static_cast<Symbol*>(it.Node())->key);
        return keys;
    };
    auto expected = [&]() {
        std::vector<unsigned> keys;
        for (const auto& [bucket, key] : model) keys.push_back(key);
        return keys;
    };
    bool indexedSeen = false;
    for (int round = 0; round < 6000; ++round) {
        Symbol& s = symbols[random() % symbols.size()];
        const bool present = model.count({s.key % 3, s.key}) > 0;
        switch (random() % 4) {
            case 0:
            case 1:
                // Keys are unique, so the node is in the table when its key is.
                EXPECT_EQ(table.Insert(&s), !present);
                model.insert({s.key % 3, s.key});
                break;
            case 2: {
                Symbol probe(s.key);
                Utils::IHashTable::Iterator it;
                ASSERT_EQ(table.Find(probe, it), present);
                if (present) {
                    EXPECT_EQ(static_cast<Symbol*>(it.Node())->key, s.key);
                    // Removing at the found iterator.
                    if (random() % 2) {
                        ASSERT_TRUE(table.Remove(it));
                        model.erase({s.key % 3, s.key});
                    }
                }
                break;
            }
            default: {
                Symbol other(s.key);
                EXPECT_FALSE(table.Remove(&other));  // an equal node that is not in the table
                if (present) {
                    Symbol probe(s.key);
                    Utils::IHashTable::Iterator it;
                    ASSERT_TRUE(table.Find(probe, it));
                    EXPECT_TRUE(table.Remove(it.Node()));
                    model.erase({s.key % 3, s.key});
                }
                break;
            }
        }
        indexedSeen |= table.Indexed();
        ASSERT_EQ(table.Count(), static_cast<int32_t>(model.size()));
        if (round % 100 == 0) ASSERT_EQ(walk(), expected()) << round;
    }
    EXPECT_TRUE(indexedSeen);
    EXPECT_EQ(walk(), expected());
}

}  // namespace
