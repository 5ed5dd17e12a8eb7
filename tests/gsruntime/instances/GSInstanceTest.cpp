// Script instances: layout and views, casts, creation with the
// class-initialisation code of a class with two bases, counting, release
// and destruction.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSClass;
using GSRuntime::GSDataRef;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSTest::CountOf;
using GSTest::HeaderOf;

class GSInstance : public GSTest::ScriptTest {
protected:
    GSTest::Family LoadFamily(const GSTest::FamilyOptions& options = {}) {
        GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0), options);
        return GSTest::Family(Load(OwnName("family.gsl"), image));
    }
    GSObject* Make(GSClass* cls) {
        GSObject* object = new GSObject();
        EXPECT_TRUE(object->BindClass(cls, context));
        return object;
    }
};

TEST_F(GSInstance, ViewsOfAnInstanceWithTwoBases) {
    GSTest::Family family = LoadFamily();
    ASSERT_NE(family.D, nullptr);
    GSObject* d = Make(family.D);
    const GSDataRef own = d->GetReference();
    const uint32_t* data = GSRuntime::GSSlots(own);
    // Slot 0 of each view: minus its data offset; slot 1: its first entry
    // in D's virtual table.
    EXPECT_EQ(data[0], 0u);
    EXPECT_EQ(data[1], 0u);
    EXPECT_EQ(static_cast<int32_t>(data[2]), -2);
    EXPECT_EQ(data[3], 0u);
    EXPECT_EQ(static_cast<int32_t>(data[5]), -5);
    EXPECT_EQ(data[6], 1u);
    GSScriptInstance* header = HeaderOf(own);
    EXPECT_EQ(header->count, 1);
    EXPECT_EQ(header->owner, d);
    EXPECT_EQ(header->cls, family.D);
    EXPECT_EQ(d->GetClass(), family.D);
    EXPECT_EQ(d->GetContext(), context);
    EXPECT_EQ(GSTest::HeaderOf(GSRuntime::GSOffsetReference(own, 5)), header);
    EXPECT_EQ(GSScriptInstance::ViewOffset(GSRuntime::GSOffsetReference(own, 5)), 5u);
    EXPECT_EQ(GSTrackedObjectRegistry::GetContext(header), context);

    // Strings and arrays carry their header, with the data slot right after it.
    GSRuntime::GSEmbeddedInstance embedded;
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&embedded.data) - reinterpret_cast<uint8_t*>(&embedded.header),
              static_cast<std::ptrdiff_t>(sizeof(GSScriptInstance)));
    GSRuntime::GSString* text = NewString("t");
    EXPECT_EQ(GSScriptInstance::OwnerOf(text->GetReference()), text);
    EXPECT_EQ(GSRuntime::GSString::FromReference(text->GetReference()), text);
    EXPECT_EQ(GSRuntime::GSArray::FromReference(text->GetReference()), nullptr);
    GSScriptInstance::ReleaseReference(text->GetReference());
    delete d;
}

TEST_F(GSInstance, CastTable) {
    GSTest::Family family = LoadFamily();
    ASSERT_NE(family.D, nullptr);
    GSObject* d = Make(family.D);
    GSObject* a = Make(family.A);
    struct Case {
        GSObject* object;
        GSClass* target;
        int64_t view;  // slots from the own view; -1: null
    };
    const std::vector<Case> cases = {
        {d, family.D, 0}, {d, family.A, 2},  {d, family.B, 5},  {d, family.C, -1},
        {a, family.A, 0}, {a, family.D, -1}, {a, family.B, -1}, {d, nullptr, -1},
    };
    for (const Case& c : cases) {
        const GSDataRef got = GSClass::CastInstance(c.target, HeaderOf(c.object->GetReference()));
        const GSDataRef want = c.view < 0 ? 0 : GSRuntime::GSOffsetReference(c.object->GetReference(), c.view);
        EXPECT_EQ(got, want) << (c.target ? c.target->Name() : "null") << " from " << c.object->GetClass()->Name();
    }
    EXPECT_EQ(GSClass::CastInstance(family.A, nullptr), 0u);
    delete d;
    delete a;
}

// An instance without owner does not cast to GameObject or a class derived
// from it, even when it is of that class.
TEST_F(GSInstance, OwnerlessInstanceIsNoGameObject) {
    GSTest::ImageBuilder image = GSTest::CoreImage(Id(0));
    GSRuntime::GSLibrary* core = Load("gs.gsl", image);
    ASSERT_NE(core, nullptr);
    GSClass* gameObject = core->FindClass("GameObject");
    GSClass* gsObject = core->FindClass("GSObject");
    GSObject* owner = Make(gameObject);
    const GSDataRef reference = owner->GetReference();
    GSScriptInstance::AddRef(reference);
    EXPECT_EQ(GSClass::CastInstance(gameObject, HeaderOf(reference)), reference);
    delete owner;  // the instance lives on without owner
    EXPECT_EQ(HeaderOf(reference)->owner, nullptr);
    EXPECT_EQ(GSClass::CastInstance(gameObject, HeaderOf(reference)), 0u);
    EXPECT_EQ(GSClass::CastInstance(gsObject, HeaderOf(reference)), GSRuntime::GSOffsetReference(reference, 2));
    GSScriptInstance::ReleaseReference(reference);
}

TEST_F(GSInstance, InitialisationRunsLastBaseFirstThenTheClass) {
    GSTest::Family family = LoadFamily({true, 0});
    ASSERT_NE(family.D, nullptr);
    std::vector<std::string> ran;
    std::vector<uint32_t> views;
    GSObject* d = new GSObject();
    GSTest::CurrentRunner() = [&](GSTest::FakeThread& thread) {
        GSRuntime::GSStack& stack = thread.stack;
        ran.push_back(stack.FrameFunction(stack.CurrentFrame())->signature);
        views.push_back(GSScriptInstance::ViewOffset(stack.Local(0)));
        // The frame holds a count of its own on `me`.
        EXPECT_EQ(CountOf(stack.Local(0)), 2);
        EXPECT_EQ(stack.GetContext(), context);
        return GSTest::FinishFrame(thread);
    };
    ASSERT_TRUE(d->BindClass(family.D, context));
    EXPECT_EQ(ran, (std::vector<std::string>{"::B()", "::A()", "::D()"}));
    EXPECT_EQ(views, (std::vector<uint32_t>{5, 2, 0}));
    EXPECT_EQ(CountOf(d), 1);
    // The static thread is back as it was.
    EXPECT_EQ(GSTest::StaticThread().stack.StackPointer(), -1);
    EXPECT_EQ(GSTest::StaticThread().stack.CurrentFrame(), -1);

    // A second creation for a bound owner fails and changes nothing.
    ran.clear();
    const GSDataRef before = d->GetReference();
    EXPECT_FALSE(family.D->CreateInstance(d, context));
    EXPECT_FALSE(d->BindClass(family.A, context));
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(d->GetReference(), before);
    delete d;
}

// A class-initialisation function that does not finish fails the creation;
// what the functions before it stored is released and the block freed.
TEST_F(GSInstance, FailedCreationReleasesWhatItsInitialisationStored) {
    GSTest::Family family = LoadFamily({true, 0});
    ASSERT_NE(family.D, nullptr);
    GSTest::CurrentRunner() = [&](GSTest::FakeThread& thread) {
        GSRuntime::GSStack& stack = thread.stack;
        const std::string function = stack.FrameFunction(stack.CurrentFrame())->signature;
        const GSDataRef me = stack.Local(0);
        // A stores its a1 (slot 2 of its view), B stores its b1 pointing back
        // at the instance itself, D fails.
        if (function == "::A()") {
            GSRuntime::GSString* text = NewString("a1");
            GSScriptInstance::TransferReference(me, 2, text->GetReference());
        } else if (function == "::B()") {
            GSScriptInstance::StoreReference(me, 2, me);
        } else if (function == "::D()") {
            return static_cast<int32_t>(GSRuntime::ER_NullReference);
        }
        return GSTest::FinishFrame(thread);
    };
    GSObject* d = new GSObject();
    EXPECT_FALSE(d->BindClass(family.D, context));
    EXPECT_EQ(d->GetReference(), 0u);
    EXPECT_EQ(d->GetContext(), nullptr);
    EXPECT_EQ(context->Registry().LiveCount(), 0);
    delete d;
    EXPECT_EQ(GSTest::LiveBlocks(), 0);
    EXPECT_EQ(GSTest::StaticThread().stack.StackPointer(), -1);

    // Without the interpreter's services, code cannot run: creation fails.
    GSRuntime::GSSetThreadServices({});
    GSObject* e = new GSObject();
    EXPECT_FALSE(e->BindClass(family.D, context));
    delete e;
}

// Initialisation without code needs no interpreter; slots 0 and 1 are
// still written.
TEST_F(GSInstance, CodelessInitialisationNeedsNoInterpreter) {
    GSRuntime::GSSetThreadServices({});
    GSTest::Family family = LoadFamily();
    ASSERT_NE(family.C, nullptr);
    GSObject* c = Make(family.C);
    EXPECT_EQ(GSRuntime::GSSlots(c->GetReference())[0], 0u);
    EXPECT_EQ(GSRuntime::GSSlots(c->GetReference())[1], 0u);
    GSObject* d = Make(family.D);
    EXPECT_EQ(GSRuntime::GSSlots(d->GetReference())[6], 1u);
    delete c;
    delete d;
}

TEST_F(GSInstance, ReleaseDeletesTheOwnerOrDestroysAnOwnerlessInstance) {
    GSTest::Family family = LoadFamily();
    ASSERT_NE(family.D, nullptr);
    // The last count deletes the owner, which takes the instance and its
    // members with it.
    GSObject* d = Make(family.D);
    GSScriptInstance::TransferReference(d->GetReference(), 8, NewString("member")->GetReference());
    GSScriptInstance::Release(HeaderOf(d->GetReference()));
    EXPECT_EQ(GSTest::LiveBlocks(), 0);

    // Destroying a holder whose instance is referenced elsewhere leaves the
    // instance alive without owner; its members survive until the last
    // reference goes.
    GSObject* held = Make(family.D);
    GSRuntime::GSString* member = NewString("kept");
    GSScriptInstance::StoreReference(held->GetReference(), 8, member->GetReference());
    const GSDataRef reference = held->GetReference();
    GSScriptInstance::AddRef(reference);
    delete held;
    EXPECT_EQ(HeaderOf(reference)->owner, nullptr);
    EXPECT_EQ(CountOf(reference), 1);
    EXPECT_EQ(CountOf(member), 2);
    GSScriptInstance::ReleaseReference(reference);
    EXPECT_EQ(CountOf(member), 1);
    GSScriptInstance::ReleaseReference(member->GetReference());

    // A game object registered with a router is only marked: its router
    // deletes it later.
    GSTest::FakeGameObject* game = new GSTest::FakeGameObject();
    ASSERT_TRUE(game->BindClass(family.D, context));
    game->registered = true;
    GSScriptInstance::Release(HeaderOf(game->GetReference()));
    EXPECT_TRUE(game->destroyPending);
    EXPECT_EQ(CountOf(game), 0);
    game->registered = false;
    delete game;

    // Unbind gives the instance up; the last count destroys it.
    GSObject* unbound = Make(family.A);
    unbound->Unbind();
    EXPECT_EQ(unbound->GetReference(), 0u);
    EXPECT_EQ(unbound->GetClass(), nullptr);
    EXPECT_FALSE(unbound->BindClass(nullptr, context));
    delete unbound;
}

TEST_F(GSInstance, MembersAreReleasedThroughEveryView) {
    GSTest::Family family = LoadFamily();
    ASSERT_NE(family.D, nullptr);
    GSObject* d = Make(family.D);
    const GSDataRef own = d->GetReference();
    std::vector<GSRuntime::GSString*> members;
    for (uint32_t slot : {4u, 7u, 8u}) {  // a1 in A's view, b1 in B's, d1
        members.push_back(NewString("m"));
        GSScriptInstance::StoreReference(own, slot, members.back()->GetReference());
    }
    EXPECT_FALSE(family.A->ReleaseMembers(HeaderOf(own)));
    for (GSRuntime::GSString* member : members) EXPECT_EQ(CountOf(member), 2);
    EXPECT_TRUE(family.D->ReleaseMembers(HeaderOf(own)));
    for (GSRuntime::GSString* member : members) EXPECT_EQ(CountOf(member), 1);
    for (uint32_t slot : {4u, 7u, 8u}) EXPECT_EQ(GSRuntime::GSSlots(own)[slot], 0u);
    for (GSRuntime::GSString* member : members) GSScriptInstance::ReleaseReference(member->GetReference());
    delete d;
}

TEST_F(GSInstance, VirtualDispatchFindsTheOverride) {
    GSTest::Family family = LoadFamily();
    ASSERT_NE(family.D, nullptr);
    GSObject* d = Make(family.D);
    const GSDataRef own = d->GetReference();
    uint32_t offset = 0;
    int32_t slot = -1;
    int32_t index = -1;
    ASSERT_EQ(family.D->FindFunction("$int@A::Value()", offset, slot, index), family.A);
    EXPECT_EQ(offset, 2u);
    GSDataRef me = 0;
    const GSRuntime::GSFunction* function = GSClass::Dispatch(GSRuntime::GSOffsetReference(own, offset), slot, me);
    ASSERT_NE(function, nullptr);
    EXPECT_STREQ(function->signature, "$int@D::Value()");
    EXPECT_EQ(me, own);
    EXPECT_EQ(GSClass::Dispatch(own, 4, me), nullptr);
    EXPECT_EQ(GSClass::Dispatch(own, -1, me), nullptr);
    delete d;
}

}  // namespace
