#pragma once
// A fixture for tests that run script code in the interpreter: the
// interpreter installed (thread services and the machine's static thread),
// a context with a stand-in router, libraries loaded from hand-assembled
// images, functions made directly from code (which the loader would refuse,
// such as illegal opcodes), and a runner that calls a function on a thread
// of its own the way a host does (`me` and the arguments pushed, a frame,
// Execute).
//
// Each test ends by deleting the context and checking that the script heap
// holds no more blocks than when the test began.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gscompiler/GSTypes.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFlowVerifier.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadResult.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSInterpreterSetup.h"
#include "gsruntime/interpreter/GSThread.h"
#include "gsruntime/support/GSMachineFixture.h"

namespace GSTest {

inline uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float BitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline int32_t CountOf(GSRuntime::GSDataRef reference) {
    return GSRuntime::GSScriptInstance::FromReference(reference)->count;
}

// A function record made directly from code, numbered in the machine's
// function table while it lives. It belongs to no library unless one is
// given.
struct RawShape {
    uint32_t arguments = 1;  // argument slots, `me` included
    uint32_t locals = 0;     // declared locals and temporaries
    uint32_t depth = 8;      // operand-stack depth
    uint32_t resultType = kGSTypeInt;
    std::vector<int32_t> referenceSlots;
    std::vector<std::pair<int32_t, int32_t>> lines;
    GSRuntime::GSLibrary* library = nullptr;
};

class RawFunction {
public:
    using Shape = RawShape;

    RawFunction(std::vector<uint8_t> code, const Shape& shape) : m_code(std::move(code)) {
        for (int32_t slot : shape.referenceSlots) Word(m_referenceSlots, static_cast<uint32_t>(slot));
        for (auto& pair : shape.lines) {
            Word(m_lines, static_cast<uint32_t>(pair.first));
            Word(m_lines, static_cast<uint32_t>(pair.second));
        }
        m_function.signature = "$int@Raw::Run()";
        m_function.library = shape.library;
        m_function.resultType = shape.resultType;
        m_function.frameSize = shape.locals + 4;
        m_function.argumentOffset = 1 - static_cast<int32_t>(shape.arguments);
        m_function.headerOffset = shape.locals + 1;
        m_function.slotsNeeded = shape.depth + shape.locals + 4;
        m_function.argumentSlotCount = shape.arguments;
        m_function.referenceSlotCount = static_cast<uint32_t>(shape.referenceSlots.size());
        m_function.referenceSlots = m_referenceSlots.empty() ? nullptr : m_referenceSlots.data();
        m_function.linePairCount = static_cast<uint32_t>(shape.lines.size());
        m_function.linePairs = m_lines.empty() ? nullptr : m_lines.data();
        m_function.codeLength = static_cast<uint32_t>(m_code.size());
        m_function.code = m_code.empty() ? nullptr : m_code.data();
        m_function.tableIndex = GSRuntime::GSMachine::Instance()->Functions().Add(&m_function);
        // The call contracts the loader would make; code the loader would
        // refuse (the tests of the interpreter's own checks) keeps none.
        m_function.resultShape = GSRuntime::GSResultShapeOf(shape.resultType);
        GSRuntime::GSFlowInput flow;
        flow.code = m_function.code;
        flow.length = m_function.codeLength;
        flow.localSlots = m_function.LocalSlotCount();
        flow.argumentSlots = shape.arguments;
        flow.referenceLocals.assign(flow.localSlots, false);
        flow.referenceLocals[0] = true;
        for (int32_t slot : shape.referenceSlots)
            if (slot > 0 && static_cast<uint32_t>(slot) < flow.localSlots) flow.referenceLocals[slot] = true;
        flow.resultShape = m_function.resultShape;
        // Verified code runs on the interpreter's fast path; refused code
        // keeps the per-instruction checks.
        int32_t maxDepth = 0;
        if (GSRuntime::GSVerifyFlow(flow, m_function.callContracts, nullptr, &maxDepth))
            m_function.maxStackDepth = maxDepth;
    }
    ~RawFunction() { GSRuntime::GSMachine::Instance()->Functions().Remove(m_function.tableIndex); }
    RawFunction(const RawFunction&) = delete;
    RawFunction& operator=(const RawFunction&) = delete;

    GSRuntime::GSFunction* Get() { return &m_function; }

private:
    static void Word(std::vector<uint8_t>& out, uint32_t value) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }

    std::vector<uint8_t> m_code;
    std::vector<uint8_t> m_referenceSlots;
    std::vector<uint8_t> m_lines;
    GSRuntime::GSFunction m_function;
};

// The outcome of a run: its code and, after ER_Done, the slot where the
// outermost frame's `me` was (the returned value of a value function).
struct Outcome {
    int32_t code = -1;
    uint32_t value = 0;
};

// The stand-in router: contexts only keep it and hand it back.
struct StubRouter {
    int unused = 0;
};

class InterpreterTest : public MachineTest {
protected:
    InterpreterTest() {
        GSRuntime::GSInstallInterpreter();
        GSRuntime::GSContext::SetRouterFactory(
            {[](GSRuntime::GSContext*) { return reinterpret_cast<GSRuntime::GSRouter*>(new StubRouter()); },
             [](GSRuntime::GSRouter* router) { delete reinterpret_cast<StubRouter*>(router); }});
        m_blocksAtStart = GSRuntime::GSScriptArena::Instance().LiveBlocks();
        context = new GSRuntime::GSContext(true, false);
    }
    void TearDown() override {
        if (m_me) GSRuntime::GSScriptInstance::ReleaseReference(m_me);
        m_me = 0;
        delete context;
        context = nullptr;
        GSRuntime::GSThread::SetHostExceptionCallback(nullptr);
        EXPECT_EQ(GSRuntime::GSScriptArena::Instance().LiveBlocks(), m_blocksAtStart)
            << "the script heap holds blocks the test made";
    }

    // A file name of this test's own.
    static std::string OwnName(const std::string& base) {
        return std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" + base;
    }

    // Registers an image as `file` and loads it.
    GSRuntime::GSLibrary* Load(const std::string& file, ImageBuilder& image) {
        EXPECT_TRUE(Register(file, image.Build())) << file;
        GSRuntime::GSLibrary* library = machine->GetLibraryByName(file.c_str());
        EXPECT_NE(library, nullptr) << file;
        return library;
    }

    // A new string of the fixture's context (count 1, the caller's).
    GSRuntime::GSDataRef NewString(const char* text) {
        return (new GSRuntime::GSString(context, text))->GetReference();
    }
    static std::string TextOf(GSRuntime::GSDataRef reference) {
        const GSRuntime::GSString* string = GSRuntime::GSString::FromReference(reference);
        return string ? std::string(string->c_str(), string->Length()) : std::string("<null>");
    }

    // A `me` for functions that only need one: a string the fixture keeps.
    GSRuntime::GSDataRef AnyMe() {
        if (!m_me) m_me = NewString("me");
        return m_me;
    }

    // Runs `function` on `thread` as a host does: `me` and the arguments
    // pushed (the frame's counts added for `me` and for the arguments in the
    // function's reference slots), a frame with return offset 0, Execute.
    static Outcome RunOn(GSRuntime::GSThread& thread, const GSRuntime::GSFunction* function, GSRuntime::GSDataRef me,
                         const std::vector<uint32_t>& arguments, float dt = 0.0f) {
        GSRuntime::GSStack& stack = thread.Stack();
        const int32_t base = stack.StackPointer() + 1;
        if (me) GSRuntime::GSScriptInstance::AddRef(me);
        stack.Push(me);
        for (uint32_t value : arguments) stack.Push(value);
        for (uint32_t i = 0; i < function->referenceSlotCount; ++i) {
            const int32_t slot = function->ReferenceSlot(i);
            if (slot >= 1 && static_cast<uint32_t>(slot) <= arguments.size() && arguments[slot - 1])
                GSRuntime::GSScriptInstance::AddRef(arguments[slot - 1]);
        }
        EXPECT_TRUE(stack.PushFrame(function, 0));
        Outcome outcome;
        outcome.code = thread.Execute(dt);
        if (outcome.code == GSRuntime::ER_Done && stack.StackPointer() >= base) outcome.value = stack.Slot(base);
        return outcome;
    }

    // The same on a new thread without owner.
    static Outcome Run(const GSRuntime::GSFunction* function, GSRuntime::GSDataRef me,
                       const std::vector<uint32_t>& arguments = {}) {
        GSRuntime::GSThread thread(nullptr, 0);
        return RunOn(thread, function, me, arguments);
    }

    // Runs raw code with `me` = AnyMe().
    Outcome RunCode(const std::vector<uint8_t>& code, const std::vector<uint32_t>& arguments = {},
                    RawShape shape = {}) {
        if (shape.arguments < arguments.size() + 1) shape.arguments = static_cast<uint32_t>(arguments.size() + 1);
        RawFunction function(code, shape);
        return Run(function.Get(), AnyMe(), arguments);
    }

    GSRuntime::GSContext* context = nullptr;

private:
    int64_t m_blocksAtStart = 0;
    GSRuntime::GSDataRef m_me = 0;
};

// Code writers for the common shapes of the tables.
inline std::vector<uint8_t> LoadArgs(uint32_t count) {
    std::vector<uint8_t> code;
    for (uint32_t i = 1; i <= count; ++i) code.insert(code.end(), {OP_LoadLocal, static_cast<uint8_t>(i), 0});
    return code;
}
// Loads arguments 1 .. `arguments`, runs `ops`, returns the top.
inline std::vector<uint8_t> Apply(uint32_t arguments, std::initializer_list<uint8_t> ops) {
    std::vector<uint8_t> code = LoadArgs(arguments);
    code.insert(code.end(), ops);
    code.push_back(OP_ReturnValue);
    return code;
}

}  // namespace GSTest
