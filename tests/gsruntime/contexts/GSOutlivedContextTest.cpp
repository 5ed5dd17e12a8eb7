// References into a context that is torn down while something outside it
// still holds them: an object or array of no context, an object of another
// context that took a shared context's value, arrays of another context
// that copied elements from an array of the dying one, and a waiting script
// thread of another context's game object that holds one in its frames:
// as a local, as the `me` of methods of the dying context's object it
// sleeps in, or on its operand stack (an argument already pushed when a
// call later in the argument list sleeps). Code of one library
// stores the reference while it runs in the first context; the context
// ends; code of another library, in a second context, then uses or
// releases the holder. The dying context cuts those references first, so
// the later code finds null where the reference was and nothing is touched
// after it was freed (the address sanitizer checks the script heap).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSString.h"
#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSContext;
using GSRuntime::GSDataRef;
using GSRuntime::GSScriptInstance;

// Runs in the context that ends: stores new objects of its own context
// into what it is given, or hands an array of them out.
const char* const kKeeper = R"(include "gs.gs"
class Box isclass GSObject
{
	public Box held;
};
class Keeper isclass GameObject
{
	public void Keep(Box holder) { holder.held = new Box(); }
	public void KeepIn(GSObject[] list) { list[0] = new Box(); }
	public Box MadeBox(void) { return new Box(); }
	public GSObject[] Made(void)
	{
		GSObject[] made = new GSObject[1];
		made[0] = new Box();
		return made;
	}
};
)";

// Runs later, in the context that stays.
const char* const kUser = R"(include "gs.gs"
class Napper isclass GameObject
{
	int Rest(int n)
	{
		Sleep(0.05);
		return n;
	}
	public int Nap(int n) { return Rest(n - 1); }
};
class User isclass GameObject
{
	public void Drop(GSObject holder) { holder = null; }
	public string First(GSObject[] list)
	{
		GSObject first = list[0];
		if (first == null) return "none";
		return first.GetGSClassName();
	}
	public void Splice(GSObject[] into, GSObject[] from) { into[0, 0] = from; }
	public GSObject[] Copied(GSObject[] from)
	{
		GSObject[] copied = new GSObject[0];
		copied.copy(from);
		return copied;
	}
	public GSObject[] Sliced(GSObject[] from) { return from[0, 1]; }
	public thread void Wait(GSObject held)
	{
		Sleep(0.05);
		if (held == null) Exception("gone");
		else Exception(held.GetGSClassName());
	}
	bool Pause(void)
	{
		Sleep(0.05);
		return true;
	}
	void Report(GSObject held, bool paused) { Exception(held.GetGSClassName()); }
	public thread void HoldOnStack(GSObject held) { Report(held, Pause()); }
	public thread void Visit(Napper napper)
	{
		napper.Nap(2);
		Exception("back");
	}
};
)";

enum class Holder {
    ObjectOfNoContext,        // a Box bound outside any context takes the dying context's Box
    ArrayOfNoContext,         // an array made outside any context takes one as element
    ObjectOfSharedValue,      // a Box of the staying context takes a Box of the (shared) dying one
    SplicedArray,             // the staying context's array has the dying one's elements spliced in
    CopiedArray,              // ... copied into it with .copy
    SlicedArray,              // ... sliced out of the dying context's array
    WaitingThread,            // a thread of the staying context waits with a Box of the dying one
    WaitingOperand,           // ... with the Box pushed as an argument, not yet passed
    WaitingInside,            // ... asleep in methods of an object of the dying context
};

struct Case {
    const char* name;
    Holder holder;
    bool shared;  // the dying context's share flag
};

const Case kCases[] = {
    {"ObjectOfNoContext", Holder::ObjectOfNoContext, false},
    {"ArrayOfNoContext", Holder::ArrayOfNoContext, false},
    {"ObjectOfSharedValue", Holder::ObjectOfSharedValue, true},
    {"SplicedArray", Holder::SplicedArray, false},
    {"CopiedArray", Holder::CopiedArray, false},
    {"SlicedArray", Holder::SlicedArray, false},
    {"WaitingThread", Holder::WaitingThread, false},
    {"WaitingOperand", Holder::WaitingOperand, false},
    {"WaitingInside", Holder::WaitingInside, false},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class GSOutlivedContext : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Load("keeper.gs", kKeeper));
        keeper = host.library;
        ASSERT_TRUE(host.Load("user.gs", kUser));
        user = host.Spawn("User");
        ASSERT_NE(user, nullptr);
        box = keeper->FindClass("Box");
        ASSERT_NE(box, nullptr);
    }

    // A Keeper game object in a new context.
    GSRuntime::GSGameObject* SpawnKeeper(GSContext* context) {
        auto* object = new GSRuntime::GSGameObject();
        if (!object->BindClass(keeper->FindClass("Keeper"), context)) {
            delete object;
            return nullptr;
        }
        context->GetRouter()->AddNode(object);
        return object;
    }

    bool CallIn(GSContext* context, GSRuntime::GSGameObject* object, const char* signature, uint32_t* result,
                std::initializer_list<uint32_t> arguments) {
        GSScriptInstance* header = GSScriptInstance::FromReference(object->GetReference());
        return GSRuntime::CallScriptFunction(context, object->GetClass(), header, signature, result, arguments);
    }

    // The class name of the array's first element, as the user's code sees it.
    std::string First(GSDataRef array) {
        uint32_t name = 0;
        EXPECT_TRUE(host.Call(user, "$string@User::First(GSObject[])", &name, {GSTest::TestHost::Counted(array)}));
        const GSRuntime::GSString* text = GSRuntime::GSString::FromReference(name);
        const std::string result = text ? text->Std() : "(null)";
        GSScriptInstance::ReleaseReference(name);
        return result;
    }

    GSTest::TestHost host;
    GSRuntime::GSLibrary* keeper = nullptr;
    GSRuntime::GSGameObject* user = nullptr;
    GSRuntime::GSClass* box = nullptr;
};

TEST_P(GSOutlivedContext, LaterCodeFindsNullWhereTheReferenceWas) {
    const Case& c = GetParam();
    GSContext* dying = new GSContext(true, c.shared);
    GSRuntime::GSGameObject* keeperObject = SpawnKeeper(dying);
    ASSERT_NE(keeperObject, nullptr);

    GSRuntime::GSObject* object = nullptr;      // an object holder
    GSDataRef array = 0;                        // an array holder, with the test's count
    GSRuntime::GSGameObject* napper = nullptr;  // a game object of the dying context
    switch (c.holder) {
        case Holder::ObjectOfNoContext:
        case Holder::ObjectOfSharedValue: {
            object = new GSRuntime::GSObject();
            ASSERT_TRUE(object->BindClass(box, c.holder == Holder::ObjectOfNoContext ? nullptr : host.context));
            ASSERT_TRUE(CallIn(dying, keeperObject, "$void@Keeper::Keep(Box)", nullptr,
                               {GSTest::TestHost::Counted(object->GetReference())}));
            ASSERT_NE(GSRuntime::GSSlots(object->GetReference())[box->ReferenceMember(0)], 0u);
            break;
        }
        case Holder::ArrayOfNoContext: {
            array = (new GSArray(nullptr, true))->GetReference();
            ASSERT_TRUE(CallIn(dying, keeperObject, "$void@Keeper::KeepIn(GSObject[])", nullptr,
                               {GSTest::TestHost::Counted(array)}));
            break;
        }
        case Holder::SplicedArray:
        case Holder::CopiedArray:
        case Holder::SlicedArray: {
            uint32_t made = 0;
            ASSERT_TRUE(CallIn(dying, keeperObject, "$GSObject[]@Keeper::Made()", &made, {}));
            ASSERT_NE(made, 0u);
            if (c.holder == Holder::SplicedArray) {
                array = (new GSArray(host.context, true))->GetReference();
                EXPECT_TRUE(host.Call(user, "$void@User::Splice(GSObject[],GSObject[])", nullptr,
                                      {GSTest::TestHost::Counted(array), made}));
            } else {
                const char* signature = c.holder == Holder::CopiedArray ? "$GSObject[]@User::Copied(GSObject[])"
                                                                        : "$GSObject[]@User::Sliced(GSObject[])";
                EXPECT_TRUE(host.Call(user, signature, &array, {made}));
            }
            ASSERT_NE(array, 0u);
            ASSERT_EQ(GSArray::FromReference(array)->GetCount(), 1);
            break;
        }
        case Holder::WaitingInside: {
            // An object of the user's library, in the dying context.
            napper = new GSRuntime::GSGameObject();
            ASSERT_TRUE(napper->BindClass(host.library->FindClass("Napper"), dying));
            EXPECT_TRUE(host.Call(user, "$void@User::Visit(Napper)", nullptr, {napper->GetReference()}));
            host.Run(1, 10);
            break;
        }
        case Holder::WaitingThread:
        case Holder::WaitingOperand: {
            uint32_t made = 0;
            ASSERT_TRUE(CallIn(dying, keeperObject, "$Box@Keeper::MadeBox()", &made, {}));
            ASSERT_NE(made, 0u);
            EXPECT_TRUE(host.Call(user,
                                  c.holder == Holder::WaitingThread ? "$void@User::Wait(GSObject)"
                                                                    : "$void@User::HoldOnStack(GSObject)",
                                  nullptr, {made}));
            host.Run(1, 10);  // the thread starts and sleeps
            break;
        }
    }

    // The keeper goes as its router would delete it; then the context.
    GSScriptInstance::ReleaseReference(keeperObject->GetReference());
    delete keeperObject;
    delete napper;
    delete dying;

    std::vector<std::string> lines;
    if (c.holder == Holder::WaitingThread) {
        host.Run(10, 10);
        lines.push_back("gone (file gs.gs)");
    } else if (c.holder == Holder::WaitingInside) {
        // The innermost frame's `me` is null when the thread resumes.
        host.Run(10, 10);
        lines = {"Thread Exception: ER_NullReference, line 7, file user.gs", "Stack Dump...",
                 "function $int@Napper::Rest(int), line -1", "function $int@Napper::Nap(int), line 9",
                 "function $void@User::Visit(Napper), line 43"};
    } else if (c.holder == Holder::WaitingOperand) {
        // The argument is null when the call is made: the call through it
        // fails as any call through null does.
        host.Run(10, 10);
        lines = {"Thread Exception: ER_NullReference, line 39, file user.gs", "Stack Dump...",
                 "function $void@User::Report(GSObject,bool), line -1",
                 "function $void@User::HoldOnStack(GSObject), line 40"};
    } else if (object) {
        // The object's creation count goes to the user's code, whose store
        // over its parameter releases the object with its members.
        EXPECT_EQ(GSRuntime::GSSlots(object->GetReference())[box->ReferenceMember(0)], 0u);
        EXPECT_TRUE(host.Call(user, "$void@User::Drop(GSObject)", nullptr, {object->GetReference()}));
    } else if (array) {
        EXPECT_EQ(First(array), "none");
        GSScriptInstance::ReleaseReference(array);
    }
    EXPECT_EQ(host.log.Lines(), lines);
    host.Release(user);
    host.Run(1, 10);
    host.EndContext();
    EXPECT_EQ(host.leftBlocks, 0);
}

INSTANTIATE_TEST_SUITE_P(Holders, GSOutlivedContext, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
