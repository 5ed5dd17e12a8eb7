// The context check of reference stores: a value of another context is
// stored only when that context is shared; what a refused value's count
// becomes depends on the store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSContext;
using GSRuntime::GSDataRef;
using GSRuntime::GSScriptInstance;
using GSTest::CountOf;

class GSContextCheck : public GSTest::ScriptTest {};

TEST_F(GSContextCheck, StoresTransfersAndElementsTable) {
    GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0));
    GSTest::Family family(Load(OwnName("family.gsl"), image));
    ASSERT_NE(family.D, nullptr);

    enum Op { Store, Transfer, ElementBorrowed, ElementHanded };
    enum Origin { SameContext, OtherUnshared, OtherShared, NoContext };
    struct Case {
        Op op;
        Origin origin;
        bool stored;
        int32_t count;  // the value's count afterwards, the holder's share included
    };
    // Transfers and handed-over elements start with the caller's count on
    // top of the creation count (2); the others with the creation count (1).
    const std::vector<Case> cases = {
        {Store, SameContext, true, 2},           {Store, OtherUnshared, false, 1},
        {Store, OtherShared, true, 2},           {Store, NoContext, true, 2},
        {Transfer, SameContext, true, 2},        {Transfer, OtherUnshared, false, 1},
        {Transfer, OtherShared, true, 2},        {Transfer, NoContext, true, 2},
        {ElementBorrowed, SameContext, true, 2}, {ElementBorrowed, OtherUnshared, false, 1},
        {ElementBorrowed, OtherShared, true, 2}, {ElementBorrowed, NoContext, true, 2},
        {ElementHanded, SameContext, true, 2},   {ElementHanded, OtherUnshared, false, 1},
        {ElementHanded, OtherShared, true, 2},   {ElementHanded, NoContext, true, 2},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(row++));
        GSContext* other = c.origin == OtherUnshared || c.origin == OtherShared
                               ? new GSContext(false, c.origin == OtherShared)
                               : nullptr;
        GSContext* valueContext = c.origin == SameContext ? context : other;
        GSRuntime::GSString* value = new GSRuntime::GSString(valueContext, "v");
        const GSDataRef reference = value->GetReference();
        const bool handsOver = c.op == Transfer || c.op == ElementHanded;
        if (handsOver) GSScriptInstance::AddRef(reference);

        GSRuntime::GSObject* holder = new GSRuntime::GSObject();
        ASSERT_TRUE(holder->BindClass(family.D, context));
        GSArray* array = new GSArray(context, true);
        GSDataRef stored = 0;
        switch (c.op) {
            case Store:
                GSScriptInstance::StoreReference(holder->GetReference(), 8, reference);
                stored = GSRuntime::GSSlots(holder->GetReference())[8];
                break;
            case Transfer:
                GSScriptInstance::TransferReference(holder->GetReference(), 8, reference);
                stored = GSRuntime::GSSlots(holder->GetReference())[8];
                break;
            case ElementBorrowed:
            case ElementHanded:
                EXPECT_TRUE(array->SetElementReference(0, reference, c.op == ElementBorrowed, nullptr));
                stored = array->Elements()[0];
                break;
        }
        EXPECT_EQ(stored, c.stored ? reference : 0u);
        EXPECT_EQ(CountOf(reference), c.count);

        // The holders let go first: a shared context outlives the objects
        // that hold its values.
        delete holder;
        GSScriptInstance::ReleaseReference(array->GetReference());
        EXPECT_EQ(CountOf(reference), 1);
        GSScriptInstance::ReleaseReference(reference);
        delete other;
    }
}

// A holder of no context takes values of any context.
TEST_F(GSContextCheck, UntrackedHolderTakesAnything) {
    GSContext* other = new GSContext(false, false);
    GSArray* array = new GSArray(nullptr, true);
    GSRuntime::GSString* value = new GSRuntime::GSString(other, "v");
    EXPECT_TRUE(array->SetElementReference(0, value->GetReference(), true, nullptr));
    EXPECT_EQ(array->Elements()[0], value->GetReference());
    GSScriptInstance::ReleaseReference(array->GetReference());
    GSScriptInstance::ReleaseReference(value->GetReference());
    delete other;
}

}  // namespace
