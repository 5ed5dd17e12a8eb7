#include "foundation/random/SharedRandom.h"

#include <atomic>

#include "engine/Rand.h"
#include "engine/Sync.h"

namespace {

struct Generator {
    Vek::CriticalSection lock;
    Vek::Rand rand;
};

struct Generators {
    Generator helper;
    Generator shared;
    Vek::CriticalSection seedLock;
    std::atomic<bool> seeded{false};
};

// Never destroyed: worker threads may still draw while static objects are
// being torn down at exit.
Generators& State() {
    static Generators* state = new Generators();
    return *state;
}

int32_t Draw(Generator& generator, int32_t n) {
    if (n <= 0) return 0;
    Vek::SingleLock guard(generator.lock);
    return generator.rand.NextInt(0, n);
}

}  // namespace

void SeedRandomGenerators() {
    Generators& s = State();
    Vek::SingleLock seedGuard(s.seedLock);
    if (s.seeded.load()) return;
    {
        Vek::SingleLock guard(s.helper.lock);
        s.helper.rand.SeedFromTime();
    }
    {
        Vek::SingleLock guard(s.shared.lock);
        s.shared.rand.SeedFromTime();
        // The clock may not have moved since the first seed: mix in a
        // constant so the two generators never run the same sequence.
        uint64_t mixed = static_cast<uint64_t>(s.shared.rand.NextU32()) << 32 | s.shared.rand.NextU32();
        s.shared.rand.Seed(mixed ^ 0xD1B54A32D192ED03ull);
    }
    s.seeded.store(true);
}

bool RandomGeneratorsSeeded() { return State().seeded.load(); }

int32_t SharedRandomInt(int32_t n) { return Draw(State().shared, n); }

int32_t HelperRandomInt(int32_t n) { return Draw(State().helper, n); }
