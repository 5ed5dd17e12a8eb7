// Script contexts: static instances, the script "Message" object, and the
// order in which a context ends its world.
//
// The "gs.gsl" class caches are process-wide: like every test of the
// runtime, these run each in a process of its own (as ctest runs them).
#include <gtest/gtest.h>

#include <string>

#include "gsruntime/GSCoreClasses.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSContext;
using GSRuntime::GSDataRef;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSTest::CountOf;

class GSContextTest : public GSTest::ScriptTest {
protected:
    GSTest::Family LoadFamily(const GSTest::FamilyOptions& options) {
        GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0), options);
        return GSTest::Family(Load(OwnName("family.gsl"), image));
    }
    bool RegisterCore(bool messageInitCode = false) {
        return Register("gs.gsl", GSTest::CoreImage(Id(1), messageInitCode).Build());
    }
    // A message with both names and a parameter gives no object, and the
    // parameter handed over is released with everything else.
    void ExpectNoMessageObject() {
        GSRuntime::GSMessageParts parts;
        parts.major = "Major";
        parts.minor = "Minor";
        parts.parameter = NewString("soup")->GetReference();
        EXPECT_EQ(GSContext::BuildMessageObject(context, parts), 0u);
        EXPECT_EQ(GSTest::LiveBlocks(), 0);
    }
};

TEST_F(GSContextTest, StaticInstancesOnePerContext) {
    GSTest::Family family = LoadFamily({false, 0x4});
    ASSERT_NE(family.C, nullptr);
    GSObject* first = context->GetStaticInstance(family.C);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(context->GetStaticInstance(family.C), first);
    EXPECT_EQ(CountOf(first), 1);
    GSContext* other = new GSContext(true, false);
    GSObject* second = other->GetStaticInstance(family.C);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    delete other;

    // A class that is not static has none, and nothing is logged.
    log.Clear();
    EXPECT_EQ(context->GetStaticInstance(family.D), nullptr);
    EXPECT_TRUE(GSTest::LogCapture::Lines().empty());
    EXPECT_EQ(context->GetLibraryContext(family.library)->SlotCount(), 5);
}

TEST_F(GSContextTest, StaticInstanceThatCannotBeBoundIsReportedAndFreed) {
    GSTest::Family family = LoadFamily({true, 0x4});
    ASSERT_NE(family.C, nullptr);
    GSTest::CurrentRunner() = [](GSTest::FakeThread&) { return static_cast<int32_t>(GSRuntime::ER_DivideByZero); };
    EXPECT_EQ(context->GetStaticInstance(family.C), nullptr);
    EXPECT_EQ(GSTest::LogCapture::Count("Could not construct static class C for context"), 1);
    EXPECT_EQ(GSTest::LiveBlocks(), 0);
    // The next use tries again.
    GSTest::CurrentRunner() = GSTest::FinishFrame;
    EXPECT_NE(context->GetStaticInstance(family.C), nullptr);
}

// Static objects go first, before the router shuts down; then every object
// still tracked.
TEST_F(GSContextTest, DestructorEndsStaticObjectsBeforeTheRouter) {
    GSTest::Family family = LoadFamily({false, 0x4});
    ASSERT_NE(family.C, nullptr);
    GSObject* plain = new GSObject();
    ASSERT_TRUE(plain->BindClass(family.D, context));
    const int64_t withoutStatic = GSTest::LiveBlocks();
    ASSERT_NE(context->GetStaticInstance(family.C), nullptr);
    int64_t atRouterEnd = -1;
    GSTest::OnRouterDestroy() = [&]() { atRouterEnd = GSTest::LiveBlocks(); };
    delete context;
    context = nullptr;
    GSTest::OnRouterDestroy() = nullptr;
    EXPECT_EQ(atRouterEnd, withoutStatic);
    // The teardown deleted the plain object with its instance.
    EXPECT_EQ(GSTest::LiveBlocks(), 0);
}

TEST_F(GSContextTest, MessageObjectWithoutTheCoreLibraryIsNull) {
    GSRuntime::GSString* parameter = NewString("p");
    GSRuntime::GSMessageParts parts;
    parts.major = "Major";
    parts.parameter = parameter->GetReference();
    EXPECT_EQ(GSContext::BuildMessageObject(context, parts), 0u);
    EXPECT_EQ(GSRuntime::GetMessageClass(), nullptr);
    // Once the library is there, the next call finds it.
    ASSERT_TRUE(RegisterCore());
    ASSERT_NE(GSRuntime::GetMessageClass(), nullptr);
    ASSERT_NE(GSRuntime::GetGameObjectClass(), nullptr);
    parts.parameter = 0;
    const GSDataRef message = GSContext::BuildMessageObject(context, parts);
    EXPECT_NE(message, 0u);
    GSScriptInstance::ReleaseReference(message);
}

TEST_F(GSContextTest, MessageObjectMembers) {
    ASSERT_TRUE(RegisterCore());
    GSRuntime::GSClass* gameClass = GSRuntime::GetGameObjectClass();
    ASSERT_NE(gameClass, nullptr);
    GSTest::FakeGameObject* source = new GSTest::FakeGameObject();
    ASSERT_TRUE(source->BindClass(gameClass, context));
    GSTest::FakeGameObject* gone = new GSTest::FakeGameObject();
    ASSERT_TRUE(gone->BindClass(gameClass, context));
    gone->registered = true;  // its last count went; its router has not deleted it yet
    GSScriptInstance::Release(GSTest::HeaderOf(gone->GetReference()));
    GSRuntime::GSString* parameter = NewString("soup");

    GSRuntime::GSMessageParts parts;
    parts.major = "Major";
    parts.source = source;
    parts.destination = gone;
    parts.parameter = parameter->GetReference();
    const GSDataRef message = GSContext::BuildMessageObject(context, parts);
    ASSERT_NE(message, 0u);
    EXPECT_EQ(CountOf(message), 1);
    EXPECT_EQ(GSScriptInstance::OwnerOf(message)->GetType(), GSRuntime::kGSRefObject);
    const uint32_t* slots = GSRuntime::GSSlots(message);
    ASSERT_NE(slots[2], 0u);
    EXPECT_EQ(GSRuntime::GSString::FromReference(slots[2])->Std(), "Major");
    EXPECT_EQ(CountOf(slots[2]), 1);
    EXPECT_EQ(slots[3], 0u);  // empty minor
    EXPECT_EQ(slots[4], source->GetReference());
    EXPECT_EQ(CountOf(source), 2);
    EXPECT_EQ(slots[5], 0u);  // no count left
    EXPECT_EQ(slots[6], parameter->GetReference());
    EXPECT_EQ(CountOf(parameter), 1);

    GSScriptInstance::ReleaseReference(message);
    EXPECT_EQ(CountOf(source), 1);
    delete source;
    gone->registered = false;
    delete gone;
}

// A Message class that keeps one of the five in a value slot gives no
// object (a name stored there would be a reference nobody counts), and the
// parameter handed over is released.
TEST_F(GSContextTest, MessageClassWithAValueSlotGivesNoObject) {
    GSTest::ImageBuilder image = GSTest::CoreImage(Id(1));
    for (GSTest::ClassSpec& cls : image.Classes()) {
        if (cls.name != "Message") continue;
        cls.members[1].type = 2;  // minor: an int
        cls.referenceMembers = {2, 4, 5, 6};
    }
    ASSERT_TRUE(Register("gs.gsl", image.Build()));
    ASSERT_NE(GSRuntime::GetMessageClass(), nullptr);
    ExpectNoMessageObject();
}

// A Message class whose initialisation fails gives no object, and the
// parameter handed over is released.
TEST_F(GSContextTest, MessageObjectThatCannotBeBoundIsNull) {
    ASSERT_TRUE(RegisterCore(true));
    GSTest::CurrentRunner() = [](GSTest::FakeThread&) { return static_cast<int32_t>(GSRuntime::ER_Exception); };
    ExpectNoMessageObject();
}

}  // namespace
