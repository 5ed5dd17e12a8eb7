#pragma once
// A fixture for tests of script objects, contexts, stacks and natives.
//
// The interpreter is not part of these tests: a stand-in thread (FakeThread)
// with a GSStack is installed as the machine's static thread and the thread
// services run it with a test-supplied Runner. The default runner finishes
// the current frame the way a function that only returns would (a value
// function returns 0), so class-initialisation code "runs" and ends with
// ER_Done; a test replaces the runner to see which functions run, to store
// references from inside a run, or to fail one.
//
// Every test gets a context with a router (a stand-in: the router's own
// code is not part of these tests) and ends by deleting it and checking
// that the script heap holds no live block.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadResult.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/support/GSMachineFixture.h"

namespace GSTest {

struct FakeThread {
    GSRuntime::GSStack stack;
    int32_t state = 0;
    int32_t resumeOffset = 0;
};

// What a stand-in run does; the default finishes the current frame.
using Runner = std::function<int32_t(FakeThread& thread)>;

inline int32_t FinishFrame(FakeThread& thread) {
    GSRuntime::GSStack& stack = thread.stack;
    const GSRuntime::GSFunction* function = stack.FrameFunction(stack.CurrentFrame());
    if (function && function->resultType != 0) {
        stack.Push(0);
        if (!stack.ReturnValue(false)) return GSRuntime::ER_StackReturnError;
    } else if (!stack.PopFrame()) {
        return GSRuntime::ER_StackReturnError;
    }
    thread.state = 2;
    return GSRuntime::ER_Done;
}

inline Runner& CurrentRunner() {
    static Runner runner = FinishFrame;
    return runner;
}

// Exceptions raised through the services: {text, continued}.
inline std::vector<std::pair<std::string, bool>>& RaisedExceptions() {
    static std::vector<std::pair<std::string, bool>> raised;
    return raised;
}

inline void InstallFakeThreads() {
    GSRuntime::GSThreadServices services;
    services.stack = [](GSRuntime::GSThread* thread) { return &reinterpret_cast<FakeThread*>(thread)->stack; };
    services.saveState = [](GSRuntime::GSThread* t, GSRuntime::GSSavedThreadState& saved) {
        FakeThread* thread = reinterpret_cast<FakeThread*>(t);
        saved.currentFrame = thread->stack.CurrentFrame();
        saved.stackPointer = thread->stack.StackPointer();
        saved.state = thread->state;
        saved.resumeOffset = thread->resumeOffset;
        thread->stack.Push(0);
        thread->stack.SetCurrentFrame(GSRuntime::GSStack::kNone);
    };
    services.restoreState = [](GSRuntime::GSThread* t, const GSRuntime::GSSavedThreadState& saved) {
        FakeThread* thread = reinterpret_cast<FakeThread*>(t);
        thread->stack.SetCurrentFrame(saved.currentFrame);
        thread->stack.SetStackPointer(saved.stackPointer);
        thread->state = saved.state;
        thread->resumeOffset = saved.resumeOffset;
    };
    services.execute = [](GSRuntime::GSThread* t, float) {
        FakeThread* thread = reinterpret_cast<FakeThread*>(t);
        GSRuntime::GSThread* outerThread = GSRuntime::GSCurrentThread();
        GSRuntime::GSContext* outerContext = GSRuntime::GSCurrentContext();
        GSRuntime::GSSetCurrentThread(t);
        GSRuntime::GSSetCurrentContext(thread->stack.GetContext());
        int32_t result = CurrentRunner()(*thread);
        if (result != GSRuntime::ER_Done && result != GSRuntime::ER_Blocked) {
            // The interpreter's error end: the thread dies, its stack cleared.
            thread->state = 2;
            thread->stack.Clear();
        }
        GSRuntime::GSSetCurrentThread(outerThread);
        GSRuntime::GSSetCurrentContext(outerContext);
        return result;
    };
    services.exception = [](GSRuntime::GSThread* t, const char* text, bool continued) {
        RaisedExceptions().emplace_back(text, continued);
        if (!continued) reinterpret_cast<FakeThread*>(t)->state = 2;
    };
    GSRuntime::GSSetThreadServices(services);
    GSRuntime::GSMachine::SetStaticThreadFactory(
        {[]() { return reinterpret_cast<GSRuntime::GSThread*>(new FakeThread()); },
         [](GSRuntime::GSThread* thread) { delete reinterpret_cast<FakeThread*>(thread); }});
}

inline FakeThread& StaticThread() {
    return *reinterpret_cast<FakeThread*>(GSRuntime::GSMachine::Instance()->GetStaticThread());
}

// The router stand-in: contexts only keep it and hand it back to be
// destroyed. `onDestroy` runs when a context destroys its router.
struct FakeRouter {
    int id = 0;
};
inline std::function<void()>& OnRouterDestroy() {
    static std::function<void()> hook;
    return hook;
}
inline void InstallFakeRouters() {
    GSRuntime::GSContext::SetRouterFactory(
        {[](GSRuntime::GSContext*) { return reinterpret_cast<GSRuntime::GSRouter*>(new FakeRouter()); },
         [](GSRuntime::GSRouter* router) {
             if (OnRouterDestroy()) OnRouterDestroy()();
             delete reinterpret_cast<FakeRouter*>(router);
         }});
}

// A game object stand-in: reference type 4, with script threads of its own
// (up to `threadLimit`) and a "registered with a router" switch.
class FakeGameObject : public GSRuntime::GSObject {
public:
    FakeGameObject() : GSObject(GSRuntime::kGSRefGameObject) {}
    GSRuntime::GSThread* CreateThread() override {
        if (static_cast<int>(threads.size()) >= threadLimit) return nullptr;
        threads.push_back(std::make_unique<FakeThread>());
        return reinterpret_cast<GSRuntime::GSThread*>(threads.back().get());
    }
    void ResetThreads() override {
        for (auto& thread : threads) thread->stack.Clear();
    }
    bool DeferDestruction() override {
        if (registered) destroyPending = true;
        return registered;
    }

    std::vector<std::unique_ptr<FakeThread>> threads;
    int threadLimit = 64;
    bool registered = false;
    bool destroyPending = false;
};

inline int64_t LiveBlocks() { return GSRuntime::GSScriptArena::Instance().LiveBlocks(); }

inline GSRuntime::GSScriptInstance* HeaderOf(GSRuntime::GSDataRef reference) {
    return GSRuntime::GSScriptInstance::FromReference(reference);
}
inline int32_t CountOf(GSRuntime::GSDataRef reference) { return HeaderOf(reference)->count; }
inline int32_t CountOf(GSRuntime::GSObjectReference* object) { return CountOf(object->GetReference()); }

class ScriptTest : public MachineTest {
protected:
    ScriptTest() {
        InstallFakeThreads();
        InstallFakeRouters();
        CurrentRunner() = FinishFrame;
        RaisedExceptions().clear();
        context = new GSRuntime::GSContext(true, false);
    }
    ~ScriptTest() override {
        GSRuntime::GSSetCurrentThread(nullptr);
        GSRuntime::GSSetCurrentContext(nullptr);
    }
    void TearDown() override {
        delete context;
        context = nullptr;
        EXPECT_EQ(LiveBlocks(), 0) << "the script heap still holds blocks";
    }

    // A file name of this test's own ("<test>-<base>"), so that tests that
    // share a process do not meet each other's libraries.
    static std::string OwnName(const std::string& base) {
        return std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" + base;
    }

    // Registers an image as `file` and loads it; asserts success.
    GSRuntime::GSLibrary* Load(const std::string& file, ImageBuilder& image) {
        EXPECT_TRUE(Register(file, image.Build()));
        GSRuntime::GSLibrary* library = machine->GetLibraryByName(file.c_str());
        EXPECT_NE(library, nullptr) << file;
        return library;
    }

    // A new string in the fixture's context.
    GSRuntime::GSString* NewString(const char* text, GSRuntime::GSContext* in = nullptr) {
        return new GSRuntime::GSString(in ? in : context, text);
    }

    GSRuntime::GSContext* context = nullptr;
};

}  // namespace GSTest
