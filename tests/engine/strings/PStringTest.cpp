#include "engine/PString.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using Vek::PString;
using Vek::PStringCache;

int32_t References(const PString& s) { return s.GetNode() ? s.GetNode()->references.load() : 0; }

// Runs body(t) on kThreads threads released together; returns when all end.
constexpr int kThreads = 8;
template <typename Body>
void RunTogether(Body body) {
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            body(t);
        });
    }
    go = true;
    for (auto& th : threads) th.join();
}

TEST(PString, EqualTextsShareOneNodeWhateverMadeThem) {
    PString a("signal");
    PString b(std::string("sig").append("nal").c_str());
    PString c;
    c.Setf("%s%s", "sig", "nal");
    PString d = PString("sig") + "nal";
    PString e("signals");
    e.Left(6);
    PString f("SIGNAL");
    f.ToLower();
    for (const PString* s : {&b, &c, &d, &e, &f}) {
        EXPECT_EQ(s->GetNode(), a.GetNode());
        EXPECT_TRUE(*s == a);
    }
    EXPECT_EQ(References(a), 6);
    EXPECT_FALSE(a == PString("Signal"));

    // The empty text is the null node however it is made.
    EXPECT_EQ(PString("").GetNode(), nullptr);
    EXPECT_EQ(PString(static_cast<const char*>(nullptr)).GetNode(), nullptr);
    EXPECT_EQ(PString::Empty().GetNode(), nullptr);
    EXPECT_EQ(static_cast<const char*>(PString()), nullptr);
    EXPECT_STREQ(PString().c_str(), "");
}

TEST(PString, AssigningToItselfKeepsTheOnlyReference) {
    PString s("only-reference");
    const PString& alias = s;
    s = alias;
    EXPECT_STREQ(s.c_str(), "only-reference");
    EXPECT_EQ(References(s), 1);
    s = static_cast<const char*>(alias);  // the text of its own node
    EXPECT_STREQ(s.c_str(), "only-reference");
    EXPECT_EQ(References(s), 1);
    s += alias;
    EXPECT_STREQ(s.c_str(), "only-referenceonly-reference");
}

TEST(PString, LeftAndRight) {
    struct Case {
        const char* text;
        bool left;
        std::size_t n;
        const char* expected;
    };
    const Case cases[] = {
        {"abc", true, 5, "abc"},  {"abc", false, 5, "abc"}, {"abc", true, 3, "abc"},
        {"abcd", false, 2, "cd"}, {"abcd", true, 2, "ab"},  {"abcd", true, 0, ""},
        {"abcd", false, 0, ""},   {"", true, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.left ? " Left " : " Right ") + std::to_string(c.n));
        PString s(c.text);
        PString shared(s);
        if (c.left)
            s.Left(c.n);
        else
            s.Right(c.n);
        EXPECT_STREQ(s.c_str(), c.expected);
        EXPECT_EQ(s.GetNode(), PString(c.expected).GetNode());
        // A shared copy never sees the edit.
        EXPECT_STREQ(shared.c_str(), c.text);
    }
}

TEST(PString, ConcatenationCopiesAndSharesByTheRules) {
    PString empty;
    PString right("tail");
    empty += right;
    EXPECT_EQ(empty.GetNode(), right.GetNode());
    EXPECT_EQ(References(right), 2);

    PString head("head");
    PString headCopy(head);
    head += right;
    EXPECT_STREQ(head.c_str(), "headtail");
    EXPECT_STREQ(headCopy.c_str(), "head");
    head += PString();
    EXPECT_STREQ(head.c_str(), "headtail");

    EXPECT_STREQ((headCopy + right).c_str(), "headtail");
    EXPECT_STREQ((headCopy + "-x").c_str(), "head-x");
    EXPECT_STREQ((PString() + "x").c_str(), "x");
    EXPECT_EQ((headCopy + "").GetNode(), headCopy.GetNode());
    PString type("Indexed");
    EXPECT_STREQ(("m." + type).c_str(), "m.Indexed");
    EXPECT_STREQ(type.c_str(), "Indexed");
}

TEST(PString, GarbageCollectionFreesOnlyUnusedNodes) {
    PStringCache& cache = PStringCache::Instance();
    cache.CollectGarbage();
    std::size_t before = cache.NodeCount();

    std::vector<PString> kept;
    for (int i = 0; i < 50; ++i) kept.emplace_back(("kept-" + std::to_string(i)).c_str());
    for (int i = 0; i < 70; ++i) PString dropped(("dropped-" + std::to_string(i)).c_str());
    // A node whose count went to zero and back up again is live.
    PString revived;
    { PString temp("revived"); }
    revived = "revived";

    EXPECT_EQ(cache.NodeCount(), before + 121);
    EXPECT_EQ(cache.UnusedNodeCount(), 70u);
    EXPECT_EQ(cache.CollectGarbage(), 70u);
    EXPECT_EQ(cache.NodeCount(), before + 51);
    EXPECT_EQ(cache.UnusedNodeCount(), 0u);

    for (int i = 0; i < 50; ++i) {
        std::string text = "kept-" + std::to_string(i);
        EXPECT_STREQ(kept[i].c_str(), text.c_str());
        EXPECT_EQ(PString(text.c_str()).GetNode(), kept[i].GetNode());
    }
    EXPECT_STREQ(revived.c_str(), "revived");
    EXPECT_EQ(References(revived), 1);
    // Dropped texts come back as new nodes.
    PString again("dropped-3");
    EXPECT_EQ(cache.NodeCount(), before + 52);
}

TEST(PString, CopiesAndReleasesFromManyThreadsKeepCountsExact) {
    PStringCache& cache = PStringCache::Instance();
    std::vector<PString> shared;
    for (int i = 0; i < 16; ++i) shared.emplace_back(("shared-" + std::to_string(i)).c_str());
    const int64_t handedOut = cache.ReferencesHandedOut();

    RunTogether([&](int t) {
        std::vector<PString> mine;
        for (int round = 0; round < 2000; ++round) {
            const PString& source = shared[(round + t) % shared.size()];
            PString copy(source);
            PString assigned;
            assigned = copy;
            mine.push_back(assigned);
            PString edited(copy);
            edited += "-edit";
            PString interned(("shared-" + std::to_string(round % 16)).c_str());
            EXPECT_EQ(interned.GetNode(), shared[round % 16].GetNode());
            if (mine.size() > 64) mine.clear();
        }
    });

    EXPECT_EQ(cache.ReferencesHandedOut(), handedOut);
    for (const PString& s : shared) EXPECT_EQ(References(s), 1) << s.c_str();
    PString edited("shared-0-edit");
    EXPECT_EQ(References(edited), 1);
}

// Copies and releases go without the lock while a count stays above zero;
// the last release, and the revival of a text no one holds, go under it.
// Threads that keep dropping and interning the same few texts must leave
// the unused count equal to the nodes that really have no reference.
TEST(PString, LastReleasesRacingRevivalsKeepTheUnusedCountTrue) {
    PStringCache& cache = PStringCache::Instance();
    cache.CollectGarbage();
    const int64_t handedOut = cache.ReferencesHandedOut();
    RunTogether([](int t) {
        for (int round = 0; round < 3000; ++round) {
            PString text(("churn-" + std::to_string((round + t) % 4)).c_str());
            PString copy(text);
            PString other;
            other = copy;
            text.Release();
            copy = PString();
        }
    });

    EXPECT_EQ(cache.ReferencesHandedOut(), handedOut);
    const std::size_t unused = cache.UnusedNodeCount();
    EXPECT_EQ(cache.CollectGarbage(), unused);
    EXPECT_EQ(cache.UnusedNodeCount(), 0u);
    PString churn("churn-1");
    EXPECT_EQ(References(churn), 1);
}

}  // namespace
