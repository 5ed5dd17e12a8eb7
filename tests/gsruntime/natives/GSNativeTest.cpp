// Native function wrappers, their registration, the built-in GSObject
// native, and the argument fetchers with their checks and messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSBuiltinNatives.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSCPPContextNativeFunction.h"
#include "gsruntime/natives/GSCPPNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSContext;
using GSRuntime::GSDataRef;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSStack;

int g_calls = 0;
GSContext* g_context = nullptr;

void CountCall(GSContext* context, GSStack*) {
    ++g_calls;
    g_context = context;
}

class Receiver : public GSTest::FakeGameObject {
public:
    void Take(GSStack*) { ++taken; }
    int taken = 0;
};

class ProductContext : public GSContext {
public:
    ProductContext() : GSContext(true, false) {}
    void Info(GSStack*) { ++infos; }
    int infos = 0;
};

class GSNative : public GSTest::ScriptTest {
protected:
    void SetUp() override {
        GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0));
        family = GSTest::Family(Load(OwnName("family.gsl"), image));
        ASSERT_NE(family.D, nullptr);
        g_calls = 0;
        g_context = nullptr;
    }
    GSTest::Family family{nullptr};
};

TEST_F(GSNative, WrappersFindTheirReceivers) {
    GSStack stack;
    GSRuntime::GSCNativeFunction plain(Vek::PString("Str"), Vek::PString("$void@Str::Go()"), &CountCall);
    EXPECT_FALSE(plain.Call(nullptr, &stack));
    EXPECT_EQ(g_calls, 0);
    GSObject* object = new GSObject();
    ASSERT_TRUE(object->BindClass(family.D, context));
    EXPECT_TRUE(plain.Call(object, &stack));
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_context, context);

    GSRuntime::GSCPPNativeFunction<Receiver> member(Vek::PString("GameObject"),
                                                    Vek::PString("$void@GameObject::Take()"), &Receiver::Take);
    Receiver* receiver = new Receiver();
    EXPECT_FALSE(member.Call(nullptr, &stack));
    EXPECT_FALSE(member.Call(object, &stack));  // not a Receiver
    EXPECT_TRUE(member.Call(receiver, &stack));
    EXPECT_EQ(receiver->taken, 1);

    GSRuntime::GSCPPContextNativeFunction<ProductContext> onContext(
        Vek::PString("Router"), Vek::PString("$void@Router::Info()"), &ProductContext::Info);
    EXPECT_FALSE(onContext.Call(object, &stack));    // a plain context
    EXPECT_FALSE(onContext.Call(receiver, &stack));  // no context at all
    ProductContext* product = new ProductContext();
    GSObject* inProduct = new GSObject();
    ASSERT_TRUE(inProduct->BindClass(family.D, product));
    EXPECT_TRUE(onContext.Call(inProduct, &stack));
    EXPECT_EQ(product->infos, 1);
    delete inProduct;
    delete product;
    delete receiver;
    delete object;
}

TEST_F(GSNative, TheLastRegistrationIsBound) {
    const char* signature = "$void@Str::Twice()";
    auto* first = new GSRuntime::GSCNativeFunction(Vek::PString("Str"), Vek::PString(signature), &CountCall);
    auto* second = new GSRuntime::GSCNativeFunction(Vek::PString("Str"), Vek::PString(signature), &CountCall);
    GSRuntime::GSRegisterNative(first);
    GSRuntime::GSRegisterNative(second);
    GSRuntime::GSRegisterNative(nullptr);
    EXPECT_EQ(machine->FindNative(Vek::PString("Str"), Vek::PString(signature)), second);
}

TEST_F(GSNative, GetGSClassNameNamesTheClassOfMe) {
    const GSRuntime::GSBuiltinNative& row = GSRuntime::kGSBuiltinNatives[0];
    GSRuntime::GSNativeFunction* native = machine->FindNative(Vek::PString(row.className), Vek::PString(row.signature));
    ASSERT_NE(native, nullptr);
    GSObject* d = new GSObject();
    ASSERT_TRUE(d->BindClass(family.D, context));

    GSStack stack;
    GSScriptInstance::AddRef(d->GetReference());
    ASSERT_TRUE(stack.Push(GSRuntime::GSOffsetReference(d->GetReference(), 2)));  // A's view
    ASSERT_TRUE(stack.PushFrame(family.A->GetFunction(0), 0));
    ASSERT_TRUE(native->Call(d, &stack));
    ASSERT_TRUE(stack.ReturnValue(true));
    const GSDataRef name = stack.Top();
    EXPECT_EQ(GSRuntime::GSString::FromReference(name)->Std(), "D");
    EXPECT_EQ(GSTrackedObjectRegistry::GetContext(GSTest::HeaderOf(name)), context);
    GSScriptInstance::ReleaseReference(name);

    GSStack empty;
    ASSERT_TRUE(native->Call(d, &empty));
    EXPECT_EQ(GSRuntime::GSString::FromReference(empty.Top())->Std(), "void");
    GSScriptInstance::ReleaseReference(empty.Top());
    empty.SetStackPointer(-1);
    delete d;
}

TEST_F(GSNative, ArgumentFetchersCheckAndReport) {
    // A native taking (string, GSObject, GSObject, string, float), called
    // with a string, an object, null, an empty string and 1.5.
    GSTest::ImageBuilder image("n.gs", Id(1).a, Id(1).b);
    image.ClassImport(0, "N");
    GSTest::FunctionSpec take;
    take.signature = "$void@N::Take(string,GSObject,GSObject,string,float)";
    take.flags = 0x3;  // public, native
    take.arguments = 6;
    take.referenceSlots = {1, 2, 3, 4};
    take.code.clear();
    image.Class("N").functions = {take};
    GSRuntime::GSLibrary* library = Load(OwnName("n.gsl"), image);
    ASSERT_NE(library, nullptr);

    GSObject* d = new GSObject();
    ASSERT_TRUE(d->BindClass(family.D, context));
    GSRuntime::GSString* text = NewString("text");
    GSRuntime::GSString* empty = NewString("");
    GSStack stack;
    GSScriptInstance::AddRef(d->GetReference());
    ASSERT_TRUE(stack.Push(d->GetReference()));
    ASSERT_TRUE(stack.Push(text->GetReference()));
    GSScriptInstance::AddRef(d->GetReference());
    ASSERT_TRUE(stack.Push(d->GetReference()));
    ASSERT_TRUE(stack.Push(0));
    ASSERT_TRUE(stack.Push(empty->GetReference()));
    ASSERT_TRUE(stack.PushFloat(1.5f));
    ASSERT_TRUE(stack.PushFrame(library->FindClass("N")->GetFunction(0), 0));

    GSTest::FakeThread thread;
    GSRuntime::GSSetCurrentThread(reinterpret_cast<GSRuntime::GSThread*>(&thread));

    enum Fetch { ParamString, ParamObject, ParamArray, String, PString };
    struct Case {
        Fetch fetch;
        int index;
        bool allow;  // allowNull / allowEmpty
        bool ok;
        const char* raised;  // null: nothing raised
        const char* text;    // the text fetched (String, PString)
    };
    const std::vector<Case> cases = {
        {ParamString, 1, false, true, nullptr, nullptr},
        {ParamObject, 2, false, true, nullptr, nullptr},
        {ParamString, 2, false, false, "incorrect parameter type at parameter 2", nullptr},
        {ParamArray, 1, true, false, "incorrect parameter type at parameter 1", nullptr},
        {ParamObject, 3, true, true, nullptr, nullptr},
        {ParamObject, 3, false, false, "null object at parameter 3", nullptr},
        {String, 1, false, true, nullptr, "text"},
        {String, 4, false, false, "empty string at parameter 4", ""},
        {String, 4, true, true, nullptr, ""},
        {String, 3, false, false, "null string at parameter 3", ""},
        {String, 3, true, true, nullptr, ""},
        // A string argument that holds an object is reported as a null string.
        {String, 2, false, false, "null string at parameter 2", ""},
        {PString, 1, false, true, nullptr, "text"},
        {PString, 3, true, true, nullptr, ""},
        {PString, 3, false, false, "null string at parameter 3", ""},
        {PString, 4, false, false, "empty string at parameter 4", ""},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(row++));
        GSTest::RaisedExceptions().clear();
        thread.state = 0;
        bool ok = false;
        std::string fetched;
        switch (c.fetch) {
            case ParamString: {
                GSRuntime::GSString* out = nullptr;
                ok = GSRuntime::GetParam(&stack, c.index, out, c.allow);
                if (ok) {
                    EXPECT_EQ(out, text);
                }
                break;
            }
            case ParamObject: {
                GSObject* out = d;
                ok = GSRuntime::GetParam(&stack, c.index, out, c.allow);
                if (ok) {
                    EXPECT_EQ(out, c.index == 2 ? d : nullptr);
                }
                break;
            }
            case ParamArray: {
                GSRuntime::GSArray* out = nullptr;
                ok = GSRuntime::GetParam(&stack, c.index, out, c.allow);
                EXPECT_EQ(out, nullptr);
                break;
            }
            case String: {
                Vek::String out("stale");
                ok = GSRuntime::GetStringParam(&stack, c.index, out, c.allow);
                fetched = out.c_str();
                break;
            }
            case PString: {
                Vek::PString out("stale");
                ok = GSRuntime::GetPStringParam(&stack, c.index, c.allow, out);
                fetched = out.c_str();
                break;
            }
        }
        EXPECT_EQ(ok, c.ok);
        if (c.text && c.ok) {
            EXPECT_EQ(fetched, c.text);
        }
        if (c.raised) {
            ASSERT_EQ(GSTest::RaisedExceptions().size(), 1u);
            EXPECT_EQ(GSTest::RaisedExceptions()[0].first, c.raised);
            EXPECT_FALSE(GSTest::RaisedExceptions()[0].second);  // the thread dies
            EXPECT_EQ(thread.state, 2);
        } else {
            EXPECT_TRUE(GSTest::RaisedExceptions().empty());
        }
    }
    float fetchedFloat = 0;
    GSRuntime::GetFloatParam(&stack, 5, fetchedFloat);
    EXPECT_EQ(fetchedFloat, 1.5f);

    // Without a running thread the report goes to the script log.
    GSRuntime::GSSetCurrentThread(nullptr);
    log.Clear();
    GSObject* out = nullptr;
    EXPECT_FALSE(GSRuntime::GetParam(&stack, 3, out));
    EXPECT_EQ(GSTest::LogCapture::Count("null object at parameter 3"), 1);

    // The frame owns what was pushed.
    stack.Clear();
    EXPECT_EQ(GSTest::CountOf(d), 1);
    delete d;
}

}  // namespace
