#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "assetdb/specs/KTSpecFactory.h"
#include "assetdb/specs/SpecRegistry.h"
#include "assetdb/specs/VADScript_VorlexBaseSpecFactory.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "engine/Log.h"
#include "support/TempDir.h"

namespace {

// A spec whose validity the test decides.
class TestSpec : public AssetSpec {
public:
    TestSpec(const KUID& kuid, bool valid = true) : AssetSpec(kuid, Vek::PString(), "parent", "folder"), m_valid(valid) {}
    bool IsValid() override { return m_valid; }
    void OnValidated() override { ++validated; }
    int validated = 0;

private:
    bool m_valid;
};

class NamedFactory : public KTSpecFactory {
public:
    explicit NamedFactory(const char* name) : KTSpecFactory(name) {}
    AssetSpec* Create(const Vek::PString&, const char*, const char*, const KUID& kuid, const SoupHandle&) override {
        ++made;
        return new TestSpec(kuid);
    }
    int made = 0;
};

class SpecRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { CreateSpecRegistry(); }
    void TearDown() override { DestroySpecRegistry(); }

    SpecRegistry& Registry() { return *SpecRegistry::Instance(); }
    // Registers a new spec and hands it out with one reference.
    SpecHandle Add(AssetSpec* spec) {
        Registry().RegisterSpec(spec);
        return SpecHandle(spec);
    }
    static SoupHandle KindSoup(const char* kind) {
        SoupHandle soup;
        soup.SetString("kind", kind);
        return soup;
    }
};

TEST(SpecRegistryHash, BucketIsTheKuidFormulaOnUnsignedBits) {
    struct Case {
        KUID kuid;
        uint32_t bucket;
    };
    const Case cases[] = {
        {KUID(1, 2, 3), 66},
        {KUID(0, 0, 0), 0},
        {KUID(4093, 0, 0), 0},                // the modulo is 4093, not 4096
        {KUID(-1, 5, 127), 2080},             // negative user id: unsigned arithmetic
        {KUID(-25, -3, 127), 56},             // negative content id too
        {KUID(123456, 0x7FFFFFFF, 1), 1607},  // the shift drops the high bits
    };
    for (const Case& c : cases) EXPECT_EQ(SpecRegistry::BucketOf(c.kuid), c.bucket) << c.kuid.ToTagString().c_str();
}

TEST_F(SpecRegistryTest, KuidsSharingABucketAreEachFound) {
    const KUID a(0, 0, 0), b(4093, 0, 0), c(0, 0, 1);
    ASSERT_EQ(SpecRegistry::BucketOf(a), SpecRegistry::BucketOf(b));
    SpecHandle first = Add(new TestSpec(a));
    SpecHandle second = Add(new TestSpec(b));
    EXPECT_EQ(Registry().FindSpec(a).Get(), first.Get());
    EXPECT_EQ(Registry().FindSpec(b).Get(), second.Get());
    EXPECT_FALSE(Registry().FindSpec(c));
    EXPECT_EQ(Registry().HashEntryCount(), 2u);
}

TEST_F(SpecRegistryTest, NullAndReservedKuidsAreNeverLookedUp) {
    const KUID reserved(-1, -2, 127);
    SpecHandle spec = Add(new TestSpec(reserved));
    SpecHandle nullSpec = Add(new TestSpec(KUID()));
    EXPECT_FALSE(Registry().FindSpec(reserved));
    EXPECT_FALSE(Registry().FindSpec(KUID()));
    EXPECT_EQ(Registry().HashEntryCount(), 2u);
}

TEST_F(SpecRegistryTest, ForgetKuidLeavesTheHeldSpecUsableAndTheNextLookupFindsAnother) {
    const KUID kuid(7, 8, 0);
    SpecHandle older = Add(new TestSpec(kuid));
    SpecHandle newer = Add(new TestSpec(kuid));
    EXPECT_EQ(Registry().FindSpec(kuid).Get(), older.Get());  // the older of two entries

    SafePointer<AssetSpec> watcher(older.Get());
    Registry().ForgetKuid(kuid);
    EXPECT_FALSE(watcher);  // safe pointers to the forgotten spec are nulled
    EXPECT_EQ(Registry().FindSpec(kuid).Get(), newer.Get());
    EXPECT_EQ(older->GetKuid(), kuid);  // still alive for its holder
    EXPECT_EQ(Registry().LiveCount(), 2u);

    // Once unheld, the forgotten spec goes at the next purge.
    older.Release();
    EXPECT_TRUE(Registry().PurgeUnused());
    EXPECT_EQ(Registry().LiveCount(), 1u);
    EXPECT_EQ(Registry().FindSpec(kuid).Get(), newer.Get());
}

TEST_F(SpecRegistryTest, DiscardSpecForgetsOnlyTheSpecTheHashFinds) {
    const KUID kuid(7, 9, 0);
    SpecHandle older = Add(new TestSpec(kuid));
    SpecHandle newer = Add(new TestSpec(kuid));
    AssetSpec* newerSpec = newer.Get();
    Registry().DiscardSpec(newer);  // not the first entry: stays in the hash
    EXPECT_FALSE(newer);
    EXPECT_EQ(newerSpec->GetReferenceCount(), 0);
    EXPECT_EQ(Registry().HashEntryCount(), 2u);

    Registry().DiscardSpec(older);  // the first entry: forgotten
    EXPECT_EQ(Registry().FindSpec(kuid).Get(), newerSpec);
    EXPECT_EQ(Registry().HashEntryCount(), 1u);
}

TEST_F(SpecRegistryTest, FactoryRuleMatchesKindIgnoringCaseThenDefaultThenPlainSpec) {
    auto* bridge = new NamedFactory("bridge");
    Registry().AddFactory(bridge);

    SpecHandle byKind = Registry().CreateSpec(Vek::PString(), "p", "f", KUID(1, 1, 0), KindSoup("Bridge"));
    EXPECT_EQ(bridge->made, 1);
    EXPECT_NE(dynamic_cast<TestSpec*>(byKind.Get()), nullptr);

    SpecHandle plain = Registry().CreateSpec(Vek::PString(), "p", "f", KUID(1, 2, 0), KindSoup("mesh"));
    ASSERT_NE(plain.AsVorlexBaseSpec(), nullptr);
    EXPECT_STREQ(plain->GetKind().c_str(), "mesh");

    NamedFactory fallback("fallback");
    Registry().SetDefaultFactory(&fallback);
    SpecHandle byDefault = Registry().CreateSpec(Vek::PString(), "p", "f", KUID(1, 3, 0), KindSoup("mesh"));
    EXPECT_EQ(fallback.made, 1);
    EXPECT_EQ(Registry().LiveCount(), 3u);
    EXPECT_EQ(Registry().FindSpec(KUID(1, 3, 0)).Get(), byDefault.Get());

    // Deleting factories withdraws them from the list and as default.
    delete bridge;
    EXPECT_EQ(Registry().FactoryCount(), 0u);
    Registry().RemoveFactory(&fallback);
    EXPECT_EQ(Registry().GetDefaultFactory(), nullptr);
}

TEST_F(SpecRegistryTest, TheProgramsFactoryMakesVorlexBaseSpecs) {
    VADScript_VorlexBaseSpecFactory factory;
    EXPECT_STREQ(factory.GetName().c_str(), "--VADScript_VorlexBaseSpecFactory--");
    Registry().SetDefaultFactory(&factory);
    SpecHandle spec = Registry().CreateSpec(Vek::PString(), "p", "f", KUID(2, 1, 0), KindSoup("scenery"));
    EXPECT_NE(spec.AsVorlexBaseSpec(), nullptr);
    EXPECT_TRUE(spec.CastToVorlexBaseSpec());
    Registry().SetDefaultFactory(nullptr);
}

TEST_F(SpecRegistryTest, ValidationMovesRefusedSpecsToTheInvalidList) {
    SpecHandle good = Add(new TestSpec(KUID(3, 1, 0)));
    SpecHandle refused = Add(new TestSpec(KUID(3, 2, 0), false));
    SpecHandle nullKuid = Add(new TestSpec(KUID()));  // invalid from the start
    for (SpecHandle* spec : {&good, &refused, &nullKuid}) (*spec)->EnsureLoaded();

    EXPECT_TRUE(good->IsUsable());
    EXPECT_EQ(static_cast<TestSpec*>(good.Get())->validated, 1);
    EXPECT_FALSE(refused->IsUsable());
    EXPECT_FALSE(nullKuid->IsUsable());
    EXPECT_EQ(static_cast<TestSpec*>(nullKuid.Get())->validated, 0);
    EXPECT_EQ(Registry().LiveCount(), 1u);
    EXPECT_EQ(Registry().InvalidCount(), 2u);
    EXPECT_FALSE(Registry().FindSpec(KUID(3, 2, 0)));

    good->EnsureLoaded();  // loads once
    EXPECT_EQ(static_cast<TestSpec*>(good.Get())->validated, 1);
}

TEST_F(SpecRegistryTest, PurgeKeepsHeldAndRecentlyUsedSpecs) {
    SpecHandle held = Add(new TestSpec(KUID(4, 1, 0)));
    Add(new TestSpec(KUID(4, 2, 0)));  // handle dropped at once: count 0
    AssetSpec::SetUseClock(5);
    SpecHandle recent = Add(new TestSpec(KUID(4, 3, 0)));
    recent.Release();  // last use 5, later than the clock below
    AssetSpec::SetUseClock(4);

    EXPECT_TRUE(Registry().PurgeUnused());
    EXPECT_FALSE(Registry().PurgeUnused());
    EXPECT_EQ(Registry().LiveCount(), 2u);
    EXPECT_FALSE(Registry().FindSpec(KUID(4, 2, 0)));
    EXPECT_TRUE(Registry().FindSpec(KUID(4, 3, 0)));
    AssetSpec::SetUseClock(5);  // now unused too: the closing flush deletes it
}

class SpecRegistryFlushTest : public SpecRegistryTest {
protected:
    void SetUp() override {
        Vek::Log::Init(("-LogFile=" + m_dir / "log.txt").c_str());
        SpecRegistryTest::SetUp();
    }
    void TearDown() override {
        SpecRegistryTest::TearDown();
        Vek::Log::Shutdown();
    }
    std::string LogText() {
        std::ifstream in(m_dir / "log.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    VorlexTest::TempDir m_dir;
};

// An invalid spec that someone still holds survives the flush (the address
// sanitizer would report the holder's use otherwise), is reported as
// leaked, and goes at the first flush after it is released.
TEST_F(SpecRegistryFlushTest, AHeldInvalidSpecIsKeptAndReportedUntilReleased) {
    SpecHandle held = Add(new TestSpec(KUID(5, 1, 0), false));
    Add(new TestSpec(KUID(5, 2, 0), false))->EnsureLoaded();  // invalid, unheld
    held->EnsureLoaded();
    ASSERT_EQ(Registry().InvalidCount(), 2u);

    Registry().Flush();
    EXPECT_EQ(Registry().InvalidCount(), 1u);
    EXPECT_EQ(held->GetKuid(), KUID(5, 1, 0));  // still a live object
    EXPECT_NE(LogText().find("Leaked specs:"), std::string::npos);
    EXPECT_NE(LogText().find("  (   1) - <kuid:5:1> \"\""), std::string::npos);

    held.Release();
    Registry().Flush();
    EXPECT_EQ(Registry().InvalidCount(), 0u);
}

TEST_F(SpecRegistryFlushTest, AFlushWithNothingLeftWritesNoLeakReportAndDeletesTheFactories) {
    Add(new TestSpec(KUID(6, 1, 0)));
    Registry().AddFactory(new NamedFactory("bridge"));
    Registry().Flush();
    EXPECT_EQ(Registry().LiveCount(), 0u);
    EXPECT_EQ(Registry().FactoryCount(), 0u);
    EXPECT_EQ(LogText().find("Leaked specs:"), std::string::npos);
}

// The program's standing factories come back after each flush (the
// command host flushes after every job) and with every new registry; other
// factories go as before.
TEST_F(SpecRegistryFlushTest, StandingFactoriesOutliveEveryFlush) {
    static int made = 0;
    SpecRegistry::AddStandingFactoryMaker([]() -> KTSpecFactory* {
        ++made;
        return new NamedFactory("library");
    });
    EXPECT_EQ(made, 1) << "the open registry gets one at once";
    Registry().AddFactory(new NamedFactory("bridge"));
    ASSERT_EQ(Registry().FactoryCount(), 2u);

    for (int flush = 0; flush < 3; ++flush) {
        Registry().Flush();
        EXPECT_EQ(Registry().FactoryCount(), 1u);
        SpecHandle spec = Registry().CreateSpec(Vek::PString(), "p", "f", KUID(7, flush, 0), KindSoup("Library"));
        EXPECT_NE(dynamic_cast<TestSpec*>(spec.Get()), nullptr) << "flush " << flush;
    }
    EXPECT_EQ(made, 4);

    DestroySpecRegistry();
    CreateSpecRegistry();
    EXPECT_EQ(Registry().FactoryCount(), 1u);
    EXPECT_EQ(made, 5) << "the closing flush made none";
}

TEST_F(SpecRegistryFlushTest, ClosingTheRegistryLeavesHeldSpecsAlone) {
    SpecHandle held = Add(new TestSpec(KUID(6, 2, 0)));
    DestroySpecRegistry();
    EXPECT_EQ(SpecRegistry::Instance(), nullptr);
    EXPECT_NE(LogText().find("  (   1) - <kuid:6:2> \"\""), std::string::npos);
    EXPECT_EQ(held->GetKuid(), KUID(6, 2, 0));
    // Destroyed after the registry: touches no registry.
    AssetSpec* spec = held.Get();
    held.Release();
    delete spec;
    CreateSpecRegistry();
}

}  // namespace
