// Objects, references and members: class tests, creation with the
// class-initialisation order, static instances, casts, reference
// comparisons, member access with its bounds, and the reference-count
// balance of every Ref and Keep form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/interpreter/GSInterpreterFixture.h"
#include "gsruntime/interpreter/GSProbeLibrary.h"
#include "gsruntime/interpreter/GSStubGameObjects.h"

namespace {

using namespace GSRuntime;
using GSTest::CodeWriter;
using GSTest::Outcome;
using GSTest::RawFunction;

class GSObjectInstructions : public GSTest::InterpreterTest {
protected:
    void SetUp() override {
        GSTest::RegisterProbeNatives();
        GSTest::InstallStubGameObjects();
        GSTest::RoutedObjects().clear();
        GSTest::Probe() = GSTest::ProbeRecord();
        GSTest::ImageBuilder image = GSTest::ProbeImage(Id(0));
        library = Load(OwnName("probe.gsl"), image);
        ASSERT_NE(library, nullptr);
        t = New(GSTest::kT);
        u = New(GSTest::kU);
    }
    void TearDown() override {
        delete t;
        delete u;
        GSTest::InterpreterTest::TearDown();
    }

    GSClass* Class(uint16_t index) { return library->GetClassImport(index)->cls; }
    GSObject* New(uint16_t index) {
        GSObject* object = new GSObject();
        EXPECT_TRUE(object->BindClass(Class(index), context));
        return object;
    }
    GSTest::RawShape Shape(std::vector<int32_t> referenceSlots = {}) {
        GSTest::RawShape shape;
        shape.library = library;
        shape.referenceSlots = std::move(referenceSlots);
        return shape;
    }
    Outcome RunProbe(const std::vector<uint8_t>& code, const std::vector<uint32_t>& arguments = {},
                     std::vector<int32_t> referenceSlots = {}) {
        return RunCode(code, arguments, Shape(std::move(referenceSlots)));
    }

    GSLibrary* library = nullptr;
    GSObject* t = nullptr;
    GSObject* u = nullptr;
};

// r -> IsClass c
std::vector<uint8_t> IsClassOf(uint16_t cls) {
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op16(OP_IsClass, cls).Op(OP_ReturnValue);
    return code.Bytes();
}

TEST_F(GSObjectInstructions, ClassTestsCastsAndComparisons) {
    const GSDataRef tRef = t->GetReference();
    const GSDataRef uRef = u->GetReference();
    const GSDataRef text = NewString("text");
    EXPECT_EQ(RunProbe(IsClassOf(GSTest::kT), {uRef}, {1}).value, 1u);
    EXPECT_EQ(RunProbe(IsClassOf(GSTest::kU), {uRef}, {1}).value, 1u);
    EXPECT_EQ(RunProbe(IsClassOf(GSTest::kU), {tRef}, {1}).value, 0u);
    EXPECT_EQ(RunProbe(IsClassOf(GSTest::kT), {text}, {1}).value, 0u);
    EXPECT_EQ(RunProbe(IsClassOf(GSTest::kT), {0}, {1}).code, ER_NullReference);

    // Cast: the view of the instance for the class, null (and released)
    // when it is not of it, null untouched for null.
    const auto cast = [&](GSDataRef r, uint16_t cls) {
        CodeWriter code;
        code.Op16(OP_LoadLocalRef, 1).Op16(OP_Cast, cls).Op(OP_ReturnRef);
        return RunProbe(code.Bytes(), {r}, {1});
    };
    const Outcome up = cast(uRef, GSTest::kT);
    EXPECT_EQ(up.value, GSOffsetReference(uRef, 2));
    GSScriptInstance::ReleaseReference(up.value);
    EXPECT_EQ(cast(tRef, GSTest::kU).value, 0u);
    EXPECT_EQ(cast(0, 999).code, ER_Done);  // the class index is not consulted

    // Two views of one instance are one object.
    const auto notEqual = [&](GSDataRef a, GSDataRef b) {
        CodeWriter code;
        code.Op16(OP_LoadLocalRef, 1).Op16(OP_LoadLocalRef, 2).Op(OP_RefNotEqual).Op(OP_ReturnValue);
        return RunProbe(code.Bytes(), {a, b}, {1, 2}).value;
    };
    EXPECT_EQ(notEqual(uRef, GSOffsetReference(uRef, 2)), 0u);
    EXPECT_EQ(notEqual(uRef, tRef), 1u);
    EXPECT_EQ(notEqual(uRef, 0), 1u);
    EXPECT_EQ(notEqual(0, 0), 0u);

    for (const auto& [op, onNull, onObject] : {std::tuple{OP_IsNull, 1u, 0u}, std::tuple{OP_IsNotNull, 0u, 1u}}) {
        CodeWriter code;
        code.Op16(OP_LoadLocalRef, 1).Op(op).Op(OP_ReturnValue);
        EXPECT_EQ(RunProbe(code.Bytes(), {0}, {1}).value, onNull);
        EXPECT_EQ(RunProbe(code.Bytes(), {tRef}, {1}).value, onObject);
    }
    EXPECT_EQ(GSTest::CountOf(tRef), 1);
    EXPECT_EQ(GSTest::CountOf(uRef), 1);
    EXPECT_EQ(GSTest::CountOf(text), 1);
    GSScriptInstance::ReleaseReference(text);
}

// new D: the class-initialisation code of the last base runs first, then
// the first base's, then D's own, each on the machine's static thread.
TEST_F(GSObjectInstructions, NewObjectRunsTheInitialisationsInOrder) {
    CodeWriter code;
    code.Op16(OP_NewObject, GSTest::kD).Op(OP_ReturnRef);
    const Outcome created = RunProbe(code.Bytes());
    ASSERT_EQ(created.code, ER_Done);
    EXPECT_EQ(GSTest::Probe().marks, (std::vector<int32_t>{2, 1, 4}));
    const GSScriptInstance* header = GSScriptInstance::FromReference(created.value);
    EXPECT_EQ(header->cls, Class(GSTest::kD));
    ASSERT_NE(header->owner, nullptr);
    EXPECT_EQ(header->owner->GetType(), kGSRefObject);
    // The creation count is the stack's: the object goes with it.
    EXPECT_EQ(header->count, 1);
    EXPECT_EQ(machine->GetStaticThread()->Stack().StackPointer(), -1);
    GSScriptInstance::ReleaseReference(created.value);
}

// A game-object class gets a native game object, entered in the router of
// the context that creates it; without a router it is entered nowhere.
TEST_F(GSObjectInstructions, NewGameObjectsEnterTheContextsRouter) {
    CodeWriter code;
    code.Op16(OP_NewObject, GSTest::kGameObject).Op(OP_ReturnRef);
    const Outcome created = RunProbe(code.Bytes());
    ASSERT_EQ(created.code, ER_Done);
    GSObjectReference* owner = GSScriptInstance::OwnerOf(created.value);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->GetType(), kGSRefGameObject);
    EXPECT_EQ(GSTest::RoutedObjects(), std::vector<GSObject*>{static_cast<GSObject*>(owner)});
    GSScriptInstance::ReleaseReference(created.value);

    GSContext* unrouted = new GSContext(false, false);
    const GSDataRef me = (new GSString(unrouted, "me"))->GetReference();
    RawFunction function(code.Bytes(), Shape());
    const Outcome elsewhere = Run(function.Get(), me);
    ASSERT_EQ(elsewhere.code, ER_Done);
    EXPECT_EQ(GSTest::RoutedObjects().size(), 1u);
    GSScriptInstance::ReleaseReference(elsewhere.value);
    GSScriptInstance::ReleaseReference(me);
    delete unrouted;

    // Without game-object services no game object can be made.
    GSSetGameObjectServices(GSGameObjectServices());
    EXPECT_EQ(RunProbe(code.Bytes()).code, ER_ClassCreateError);
}

TEST_F(GSObjectInstructions, StaticInstancesAreOnePerContext) {
    CodeWriter code;
    code.Op16(OP_PushStatic, GSTest::kS).Op(OP_ReturnRef);
    const Outcome first = RunProbe(code.Bytes());
    const Outcome second = RunProbe(code.Bytes());
    ASSERT_EQ(first.code, ER_Done);
    EXPECT_NE(first.value, 0u);
    EXPECT_EQ(first.value, second.value);
    EXPECT_EQ(GSTest::CountOf(first.value), 3);  // the context's and the two results
    GSScriptInstance::ReleaseReference(first.value);
    GSScriptInstance::ReleaseReference(second.value);
    // A class that is not static has no static instance.
    CodeWriter notStatic;
    notStatic.Op16(OP_PushStatic, GSTest::kT).Op(OP_ReturnRef);
    EXPECT_EQ(RunProbe(notStatic.Bytes()).code, ER_ClassCreateError);
}

TEST_F(GSObjectInstructions, MembersThroughAReferenceAndThroughMe) {
    const GSDataRef tRef = t->GetReference();
    // r.v = 41 (kept) + 1, then r.v
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op32(OP_PushConst, 41).Op16(OP_StoreMemberKeep, GSTest::kV).Op(OP_IncInt);
    code.Op16(OP_LoadLocalRef, 1).Op(OP_Swap).Op16(OP_StoreMember, GSTest::kV);
    code.Op16(OP_LoadLocalRef, 1).Op16(OP_LoadMember, GSTest::kV).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(code.Bytes(), {tRef}, {1}).value, 42u);
    EXPECT_EQ(GSScriptInstance::LoadSlot(tRef, GSTest::kV), 42u);

    // me.v = me.v * 2 (keep) + me.v
    CodeWriter mine;
    mine.Op16(OP_LoadMyMember, GSTest::kV).Op(OP_Dup).Op(OP_AddInt).Op16(OP_StoreMyMemberKeep, GSTest::kV);
    mine.Op16(OP_StoreMyMember, GSTest::kV).Op16(OP_LoadMyMember, GSTest::kV).Op(OP_ReturnValue);
    RawFunction function(mine.Bytes(), Shape());
    EXPECT_EQ(Run(function.Get(), tRef).value, 84u);

    // A null holder, and a slot beyond the instance's data (T has 5).
    CodeWriter null;
    null.Op(OP_PushZero).Op16(OP_LoadMember, GSTest::kV).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(null.Bytes()).code, ER_NullReference);
    CodeWriter beyond;
    beyond.Op16(OP_LoadLocal, 1).Op16(OP_LoadMember, 5).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(beyond.Bytes(), {tRef}).code, ER_LinkError);
    CodeWriter lastSlot;
    lastSlot.Op16(OP_LoadLocalRef, 1).Op16(OP_LoadMember, 4).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(lastSlot.Bytes(), {tRef}, {1}).code, ER_Done);
    // Through T's view of a U, T's slot 4 is U's data slot 6, inside U's 8.
    const GSDataRef view = GSOffsetReference(u->GetReference(), 2);
    EXPECT_EQ(RunProbe(lastSlot.Bytes(), {view}, {1}).code, ER_Done);
    CodeWriter string;
    string.Op16(OP_LoadLocal, 0).Op16(OP_LoadMember, 1).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(string.Bytes()).code, ER_LinkError);  // a string has one data slot
    EXPECT_EQ(GSTest::CountOf(tRef), 1);
}

// What the class keeps in a member slot decides which accesses run:
// counted access only to reference members, plain stores of 0 only into
// reference members, nothing stored over a view's fixed slots. A refused
// access raises ER_LinkError and changes nothing.
TEST_F(GSObjectInstructions, MemberAccessMustFitWhatTheSlotHolds) {
    const GSDataRef tRef = t->GetReference();
    const uint8_t v = static_cast<uint8_t>(GSTest::kV);
    const uint8_t r = static_cast<uint8_t>(GSTest::kR);
    struct Case {
        const char* name;
        std::vector<uint8_t> code;
        int32_t result;
    };
    const std::vector<Case> cases = {
        {"counted load of a value member", {OP_LoadMyMemberRef, v, 0, OP_PopRef, OP_PushZero, OP_ReturnValue},
         ER_LinkError},
        {"counted store into a value member", {OP_NewString, OP_StoreMyMemberRef, v, 0, OP_PushZero, OP_ReturnValue},
         ER_LinkError},
        {"counted store through a reference into a value member",
         {OP_LoadLocalRef, 0, 0, OP_NewString, OP_StoreMemberRef, v, 0, OP_PushZero, OP_ReturnValue}, ER_LinkError},
        {"integer stored plainly into a reference member",
         {OP_PushOne, OP_StoreMyMember, r, 0, OP_PushZero, OP_ReturnValue}, ER_LinkError},
        {"zero stored plainly into a reference member",
         {OP_PushZero, OP_StoreMyMember, r, 0, OP_PushZero, OP_ReturnValue}, ER_Done},
        {"store over the view's first slot", {OP_PushZero, OP_StoreMyMember, 0, 0, OP_PushZero, OP_ReturnValue},
         ER_LinkError},
        {"store over the view's table slot", {OP_PushOne, OP_StoreMyMember, 1, 0, OP_PushZero, OP_ReturnValue},
         ER_LinkError},
        {"plain load of a reference member", {OP_LoadMyMember, r, 0, OP_ReturnValue}, ER_Done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawFunction function(c.code, Shape());
        EXPECT_EQ(Run(function.Get(), tRef).code, c.result);
        EXPECT_EQ(GSScriptInstance::LoadSlot(tRef, GSTest::kR), 0u);
        EXPECT_EQ(GSScriptInstance::LoadSlot(tRef, 0), 0u);
        EXPECT_EQ(GSScriptInstance::LoadSlot(tRef, 1), 0u);
    }
}

// Every Ref and Keep form, run on a string held by the test and on `me`'s
// reference member: after the run (and the release of a returned
// reference) the string's count is the test's own, plus the member's when
// the member holds it.
TEST_F(GSObjectInstructions, EveryRefAndKeepFormKeepsTheCountsBalanced) {
    const GSDataRef tRef = t->GetReference();
    const GSDataRef text = NewString("counted");
    const struct {
        const char* name;
        std::vector<uint8_t> code;  // arguments: 1 the string; locals: 2 a reference
        bool returnsReference;
        bool memberHolds;
    } cases[] = {
        {"LoadLocalRef", {OP_LoadLocalRef, 1, 0, OP_ReturnRef}, true, false},
        {"StoreLocalRef",
         {OP_LoadLocalRef, 1, 0, OP_StoreLocalRef, 2, 0, OP_LoadLocalRef, 2, 0, OP_ReturnRef},
         true,
         false},
        {"StoreLocalRef over itself",
         {OP_LoadLocalRef, 1, 0, OP_StoreLocalRef, 2, 0, OP_LoadLocalRef, 2, 0, OP_StoreLocalRef, 2, 0, OP_PushZero,
          OP_ReturnValue},
         false,
         false},
        {"StoreLocalRefKeep", {OP_LoadLocalRef, 1, 0, OP_StoreLocalRefKeep, 2, 0, OP_ReturnRef}, true, false},
        {"PopRef", {OP_LoadLocalRef, 1, 0, OP_PopRef, OP_PushZero, OP_ReturnValue}, false, false},
        {"DupRef", {OP_LoadLocalRef, 1, 0, OP_DupRef, OP_PopRef, OP_ReturnRef}, true, false},
        {"DupPairRef",
         {OP_LoadLocalRef, 1, 0, OP_PushOne, OP_DupPairRef, OP_Pop, OP_PopRef, OP_Pop, OP_ReturnRef},
         true,
         false},
        {"StoreMyMemberRef",
         {OP_LoadLocalRef, 1, 0, OP_StoreMyMemberRef, GSTest::kR, 0, OP_PushZero, OP_ReturnValue},
         false,
         true},
        {"StoreMyMemberRefKeep",
         {OP_LoadLocalRef, 1, 0, OP_StoreMyMemberRefKeep, GSTest::kR, 0, OP_ReturnRef},
         true,
         true},
        {"LoadMyMemberRef",
         {OP_LoadLocalRef, 1, 0, OP_StoreMyMemberRef, GSTest::kR, 0, OP_LoadMyMemberRef, GSTest::kR, 0, OP_ReturnRef},
         true,
         true},
        {"StoreMemberRef",
         {OP_LoadLocalRef, 0, 0, OP_LoadLocalRef, 1, 0, OP_StoreMemberRef, GSTest::kR, 0, OP_PushZero, OP_ReturnValue},
         false,
         true},
        {"StoreMemberRefKeep",
         {OP_LoadLocalRef, 0, 0, OP_LoadLocalRef, 1, 0, OP_StoreMemberRefKeep, GSTest::kR, 0, OP_ReturnRef},
         true,
         true},
        {"LoadMemberRef",
         {OP_LoadLocalRef, 1, 0, OP_StoreMyMemberRef, GSTest::kR, 0, OP_LoadLocalRef, 0, 0, OP_LoadMemberRef,
          GSTest::kR, 0, OP_ReturnRef},
         true,
         true},
        {"member overwritten",
         {OP_LoadLocalRef, 1, 0, OP_StoreMyMemberRef, GSTest::kR, 0, OP_PushZero, OP_StoreMyMemberRef, GSTest::kR, 0,
          OP_PushZero, OP_ReturnValue},
         false,
         false},
    };
    for (const auto& c : cases) {
        GSTest::RawShape shape = Shape({1, 2});
        shape.arguments = 2;
        shape.locals = 1;
        RawFunction function(c.code, shape);
        const Outcome outcome = Run(function.Get(), tRef, {text});
        ASSERT_EQ(outcome.code, ER_Done) << c.name;
        if (c.returnsReference) {
            EXPECT_EQ(outcome.value, text) << c.name;
            GSScriptInstance::ReleaseReference(outcome.value);
        }
        EXPECT_EQ(GSTest::CountOf(text), c.memberHolds ? 2 : 1) << c.name;
        EXPECT_EQ(GSTest::CountOf(tRef), 1) << c.name;
        GSScriptInstance::StoreReference(tRef, GSTest::kR, 0);
        EXPECT_EQ(GSTest::CountOf(text), 1) << c.name;
    }
    GSScriptInstance::ReleaseReference(text);
}

// A member store refuses a reference of another, unshared context.
TEST_F(GSObjectInstructions, MemberStoresKeepContextsApart) {
    GSContext* other = new GSContext(true, false);
    const GSDataRef foreign = (new GSString(other, "foreign"))->GetReference();
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op16(OP_StoreMyMemberRef, GSTest::kR).Op(OP_PushZero).Op(OP_ReturnValue);
    GSTest::RawShape shape = Shape({1});
    shape.arguments = 2;
    RawFunction function(code.Bytes(), shape);
    EXPECT_EQ(Run(function.Get(), t->GetReference(), {foreign}).code, ER_Done);
    EXPECT_EQ(GSScriptInstance::LoadSlot(t->GetReference(), GSTest::kR), 0u);
    EXPECT_EQ(GSTest::CountOf(foreign), 1);
    other->SetShared(true);
    EXPECT_EQ(Run(function.Get(), t->GetReference(), {foreign}).code, ER_Done);
    EXPECT_EQ(GSScriptInstance::LoadSlot(t->GetReference(), GSTest::kR), foreign);
    GSScriptInstance::StoreReference(t->GetReference(), GSTest::kR, 0);
    GSScriptInstance::ReleaseReference(foreign);
    delete other;
}

}  // namespace
