// A context's registry of tracked objects, and the teardown that ends every
// object still in it.
#include <gtest/gtest.h>

#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSContextRegistry.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSContext;
using GSRuntime::GSDataRef;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSString;

class GSTeardown : public GSTest::ScriptTest {};

// Slots come from the current block until it is full; then from the first
// block with a free slot; a new block only when none has one.
TEST_F(GSTeardown, RegistryReusesFreedSlotsBeforeOpeningABlock) {
    GSTrackedObjectRegistry& registry = context->Registry();
    std::vector<GSString*> first;
    for (int i = 0; i < GSTrackedBlock::kSlots; ++i) first.push_back(NewString("f"));
    EXPECT_EQ(registry.BlockCount(), 1u);
    EXPECT_EQ(registry.LiveCount(), GSTrackedBlock::kSlots);

    // The first block is full: a slot freed in it is taken again.
    GSScriptInstance::ReleaseReference(first[500]->GetReference());
    first[500] = NewString("again");
    EXPECT_EQ(registry.BlockIndexOf(&first[500]->Header()), 0);
    EXPECT_EQ(registry.BlockCount(), 1u);

    // None free: a second block, which stays current until it is full, even
    // when a slot of the first is freed meanwhile.
    GSString* second = NewString("s");
    EXPECT_EQ(registry.BlockIndexOf(&second->Header()), 1);
    GSScriptInstance::ReleaseReference(first[7]->GetReference());
    first[7] = NewString("current");
    EXPECT_EQ(registry.BlockIndexOf(&first[7]->Header()), 1);
    EXPECT_EQ(registry.BlockCount(), 2u);
    EXPECT_EQ(GSTrackedObjectRegistry::GetContext(&second->Header()), context);
    // What is left is ended with the context.
}

// Objects that reference only each other, and arrays holding them, are all
// destroyed by the context; none is destroyed twice or through another.
TEST_F(GSTeardown, ObjectsReferencingEachOtherGoWithTheContext) {
    GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0));
    GSTest::Family family(Load(OwnName("family.gsl"), image));
    ASSERT_NE(family.D, nullptr);
    GSObject* x = new GSObject();
    GSObject* y = new GSObject();
    ASSERT_TRUE(x->BindClass(family.B, context));
    ASSERT_TRUE(y->BindClass(family.B, context));
    GSScriptInstance::StoreReference(x->GetReference(), 2, y->GetReference());
    GSScriptInstance::StoreReference(y->GetReference(), 2, x->GetReference());
    GSRuntime::GSArray* array = new GSRuntime::GSArray(context, true);
    array->SetElementReference(0, x->GetReference(), true, nullptr);
    array->SetElementReference(1, array->GetReference(), true, nullptr);
    // An instance that lost its owner stays tracked too.
    GSObject* z = new GSObject();
    ASSERT_TRUE(z->BindClass(family.D, context));
    GSScriptInstance::StoreReference(z->GetReference(), 8, NewString("kept")->GetReference());
    GSScriptInstance::ReleaseReference(GSRuntime::GSSlots(z->GetReference())[8]);
    GSScriptInstance::StoreReference(z->GetReference(), 7, z->GetReference());
    z->Unbind();
    delete z;
    EXPECT_GT(GSTest::LiveBlocks(), 0);
    // TearDown deletes the context and expects an empty heap.
}

// A game object whose script thread holds frames referencing objects of the
// context: the context's teardown resets the thread while everything is
// pinned, so that deleting the object afterwards touches nothing freed.
TEST_F(GSTeardown, WaitingThreadsAreResetBeforeTheirObjectsGo) {
    GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0));
    GSTest::Family family(Load(OwnName("family.gsl"), image));
    ASSERT_NE(family.G, nullptr);
    GSTest::FakeGameObject* game = new GSTest::FakeGameObject();
    ASSERT_TRUE(game->BindClass(family.G, context));
    GSRuntime::GSStack& stack = reinterpret_cast<GSTest::FakeThread*>(game->CreateThread())->stack;
    GSScriptInstance::AddRef(game->GetReference());
    ASSERT_TRUE(stack.Push(game->GetReference()));
    ASSERT_TRUE(stack.Push(NewString("waiting")->GetReference()));
    const GSRuntime::GSFunction* run = family.G->GetFunction(0);
    ASSERT_TRUE(stack.PushFrame(run, 0));

    delete context;
    context = nullptr;
    EXPECT_EQ(stack.CurrentFrame(), GSRuntime::GSStack::kNone);
    EXPECT_EQ(game->GetReference(), 0u);
    // The host deletes its game object later.
    delete game;
    EXPECT_EQ(GSTest::LiveBlocks(), 0);
}

TEST_F(GSTeardown, ContextsAreRegisteredInAddressOrder) {
    GSContext* other = new GSContext(false, false);
    EXPECT_TRUE(GSRuntime::GSContextRegistry::Contains(context));
    EXPECT_TRUE(GSRuntime::GSContextRegistry::Contains(other));
    const std::set<GSContext*>& all = GSRuntime::GSContextRegistry::Contexts();
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), std::less<GSContext*>()));
    EXPECT_NE(context->GetRouter(), nullptr);
    EXPECT_EQ(other->GetRouter(), nullptr);
    delete other;
    EXPECT_FALSE(GSRuntime::GSContextRegistry::Contains(other));
}

}  // namespace
