// Scripts that make arrays and strings grow in a loop stop at the script
// memory budget with the runtime's usual thread exception, give back what
// they took, and leave the machine able to run ordinary code.
#include <gtest/gtest.h>

#include <string>

#include "gsruntime/GSContext.h"
#include "gsruntime/GSObject.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/SoupMemoryCharge.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/interpreter/GSCompiledScript.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

const char* const kSource = R"(
class Grow
{
    public int ArrayByIndex(int n) {
        int[] a = new int[0]; int i;
        for (i = 0; i < n; i++) a[i * 4096] = i;
        return a.size();
    }

    public int KeptStrings(int n) {
        string[] keep = new string[n];
        string s = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"; int i;
        for (i = 0; i < 4; i++) s = s + s + s + s;
        for (i = 0; i < n; i++) keep[i] = s + i;
        return n;
    }

    // Without arguments, for callers that pass none (the library fuzz
    // target's seed): strings kept far past any budget.
    public int Greedy(void) { return KeptStrings(100000); }

    public int Doubling(int n) {
        string s = "x"; int i;
        for (i = 0; i < n; i++) s = s + s;
        return s.size();
    }

    public int ArraysOfStrings(int n) {
        string[] a; int i; int k;
        for (i = 0; i < n; i++) {
            a = new string[0];
            for (k = 0; k < 64; k++) a[k] = "y" + k;
        }
        return a.size();
    }

    public int Sum(int n) {
        int[] a = new int[n]; int i; int s = 0;
        string t = "";
        for (i = 0; i < n; i++) { a[i] = i * 2; t = t + "x"; }
        for (i = 0; i < n; i++) s = s + a[i];
        return s + t.size();
    }
};
)";

constexpr uint64_t kRoom = uint64_t(4) << 20;

class GSScriptMemoryBudgetTest : public GSTest::InterpreterTest {
protected:
    void SetUp() override {
        library = GSTest::CompileAndLoad(root, OwnName("grow.gs"), kSource);
        ASSERT_NE(library, nullptr);
        me = new GSObject();
        ASSERT_TRUE(me->BindClass(library->FindClass("Grow"), context));
    }
    void TearDown() override {
        GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
        GSScriptMemoryBudget::SetContextLimit(GSScriptMemoryBudget::kDefaultContextLimit);
        delete me;
        InterpreterTest::TearDown();
    }

    Outcome Call(const char* signature, uint32_t n, GSObject* on = nullptr) {
        const GSFunction* function = GSTest::FindFunction(library, "Grow", signature);
        EXPECT_NE(function, nullptr) << signature;
        if (!function) return {};
        return Run(function, (on ? on : me)->GetReference(), {n});
    }

    // Runs the function on an object of a context of its own, which then
    // ends: what the thread left on its operand stack when it died belongs
    // to that context and goes with it.
    Outcome CallInOwnContext(const char* signature, uint32_t n) {
        GSContext* own = new GSContext(true, false);
        GSObject* object = new GSObject();
        EXPECT_TRUE(object->BindClass(library->FindClass("Grow"), own));
        const Outcome outcome = Call(signature, n, object);
        delete object;
        delete own;
        return outcome;
    }

    // What script values hold beside the heap's committed memory, which the
    // heap keeps for reuse.
    static uint64_t Held() { return GSScriptMemoryBudget::Used() - GSScriptArena::Instance().CommittedBytes(); }

    static int LinesStartingWith(const std::string& prefix) {
        int n = 0;
        for (const std::string& line : GSTest::LogCapture::Lines()) n += line.rfind(prefix, 0) == 0;
        return n;
    }

    GSLibrary* library = nullptr;
    GSObject* me = nullptr;
};

// Each runaway loop would take far more than the room it is given (the
// first two hundreds of megabytes, the doubling 2^40 bytes): it ends with
// its thread exception and one budget line, and everything it took is
// given back when its context ends.
TEST_F(GSScriptMemoryBudgetTest, RunawayGrowthStopsAtTheLimitAndGivesItAllBack) {
    struct Case {
        const char* signature;
        uint32_t n;
        const char* exception;
    };
    const Case cases[] = {
        {"$int@Grow::ArrayByIndex(int)", 100000, "Thread Exception: ER_ArrayOutOfBounds"},
        {"$int@Grow::KeptStrings(int)", 100000, "Thread Exception: ER_NullStringReference"},
        {"$int@Grow::Doubling(int)", 40, "Thread Exception: ER_NullStringReference"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature);
        const uint64_t before = Held();
        const uint64_t limit = GSScriptMemoryBudget::Used() + kRoom;
        GSScriptMemoryBudget::SetLimit(limit);
        log.Clear();
        const Outcome outcome = CallInOwnContext(c.signature, c.n);
        EXPECT_NE(outcome.code, ER_Done);
        EXPECT_EQ(LinesStartingWith(c.exception), 1);
        EXPECT_EQ(LinesStartingWith("Script memory limit of " + std::to_string(limit) + " bytes reached"), 1);
        EXPECT_EQ(Held(), before);

        // The same machine runs ordinary code as before, within the limit
        // and after it is lifted.
        EXPECT_EQ(Call("$int@Grow::Sum(int)", 1000).value, 999000u + 1000u);
        GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
        EXPECT_EQ(Call("$int@Grow::Sum(int)", 1000).value, 999000u + 1000u);
        EXPECT_EQ(Held(), before);
    }
}

// Growth that lets go of what it made as it goes stays within the budget
// however long it runs.
TEST_F(GSScriptMemoryBudgetTest, MemoryGivenBackIsChargedAgain) {
    const uint64_t before = Held();
    // Freed blocks are reused once they leave the quarantine, if there is one.
    GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::Used() + kRoom + GSScriptArena::QuarantineLimit());
    log.Clear();
    const Outcome outcome = Call("$int@Grow::ArraysOfStrings(int)", 4000);
    EXPECT_EQ(outcome.code, ER_Done);
    EXPECT_EQ(outcome.value, 64u);
    EXPECT_EQ(LinesStartingWith("Script memory limit of"), 0);
    EXPECT_EQ(Held(), before);
}

// One context that fills its own share is refused, by name, while the
// others keep running; what it holds, even what lives on after it, goes back
// to the budget when it ends.
TEST_F(GSScriptMemoryBudgetTest, EachContextKeepsItsShareAndGivesItBackWhenItEnds) {
    const uint64_t before = Held();
    GSScriptMemoryBudget::SetContextLimit(kRoom);
    log.Clear();
    GSContext* greedy = new GSContext(true, false);
    GSObject* object = new GSObject();
    ASSERT_TRUE(object->BindClass(library->FindClass("Grow"), greedy));
    GSScriptMemoryAccount* account = greedy->MemoryAccount();
    const GSFunction* greedyFunction = GSTest::FindFunction(library, "Grow", "$int@Grow::Greedy()");
    ASSERT_NE(greedyFunction, nullptr);
    EXPECT_NE(Run(greedyFunction, object->GetReference(), {}).code, ER_Done);
    EXPECT_EQ(LinesStartingWith("Script memory limit of " + std::to_string(kRoom) + " bytes reached for one context by " +
                                account->Name() + ":"),
              1);
    EXPECT_GT(account->Used(), 0u);
    EXPECT_LE(account->Used(), kRoom);

    // Another context runs as before.
    EXPECT_EQ(Call("$int@Grow::Sum(int)", 1000).value, 999000u + 1000u);

    // A soup the context made that outlives it.
    SoupHandle kept;
    {
        SoupChargeScope scope(account);
        kept.SetString(Vek::PString("text"), std::string(100000, 'x').c_str());
    }
    EXPECT_GE(account->Used(), 100000u);
    account->AddReference();
    delete object;
    delete greedy;
    EXPECT_EQ(Held(), before);
    EXPECT_TRUE(account->IsClosed());
    // Given back to the closed account alone.
    kept.Clear();
    EXPECT_EQ(account->Used(), 0u);
    EXPECT_EQ(Held(), before);
    account->ReleaseReference();
}

}  // namespace
