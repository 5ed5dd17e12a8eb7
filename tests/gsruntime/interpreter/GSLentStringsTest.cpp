// String constants passed straight to a native call. A native that only
// reads its string arguments is lent the library's one object per constant,
// counted for the call; any other native gets new strings of the running
// context, so a native that changes its argument never reaches a constant.
// A call that would fail fails as the plain instructions make it fail, and
// the context's end leaves no constant on the script heap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSContext.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSTrackedObjectRegistry.h"
#include "gsruntime/hostsupport/GSTestHost.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace {

const char* const kKeeper = R"(include "gs.gs"

class Keeper isclass GameObject
{
    public native void Change(string a, string b, int n);
    public native void Read(string a, string b, int n);

    public void Both(int n) {
        int i;
        for (i = 0; i < n; i++) {
            Change("ab", "cd", i);
            Read("ab", "cd", i);
        }
    }
    public void FromLocal(void) { string s = "ab"; Read(s, "cd", 0); }
    public void OnNull(void) { Keeper k; k.Read("ab", "cd", 0); }
};
)";

// What a native saw of its two string arguments.
struct Seen {
    GSRuntime::GSString* string[2] = {};
    std::string text[2];
    int32_t count[2] = {};
    GSRuntime::GSContext* context[2] = {};
};

std::vector<Seen>& Changes() {
    static std::vector<Seen> seen;
    return seen;
}
std::vector<Seen>& Reads() {
    static std::vector<Seen> seen;
    return seen;
}

Seen Look(GSRuntime::GSStack* stack) {
    Seen seen;
    for (int i = 0; i < 2; ++i) {
        auto* string = static_cast<GSRuntime::GSString*>(GSRuntime::GSParamOwner(stack, i + 1));
        seen.string[i] = string;
        seen.text[i] = string->c_str();
        seen.count[i] = string->Header().count;
        seen.context[i] = GSTrackedObjectRegistry::GetContext(&string->Header());
    }
    return seen;
}

// Changes its first argument in place after looking.
void Change(GSRuntime::GSContext*, GSRuntime::GSStack* stack) {
    Changes().push_back(Look(stack));
    Changes().back().string[0]->AppendText("!", 1);
}

void Read(GSRuntime::GSContext*, GSRuntime::GSStack* stack) { Reads().push_back(Look(stack)); }

class LentStrings : public ::testing::Test {
protected:
    void SetUp() override {
        Changes().clear();
        Reads().clear();
        host.machine->AddNative(new GSRuntime::GSCNativeFunction(
            Vek::PString("Keeper"), Vek::PString("$void@Keeper::Change(string,string,int)"), &Change));
        auto* read = new GSRuntime::GSCNativeFunction(Vek::PString("Keeper"),
                                                      Vek::PString("$void@Keeper::Read(string,string,int)"), &Read);
        read->SetBorrowsStringArguments(true);
        host.machine->AddNative(read);
        ASSERT_TRUE(host.Load("keeper.gs", kKeeper));
        keeper = host.Spawn("Keeper", "keeper");
        ASSERT_NE(keeper, nullptr);
    }

    GSTest::TestHost host;
    GSRuntime::GSGameObject* keeper = nullptr;
};

TEST_F(LentStrings, OnlyABorrowingNativeIsLentTheConstants) {
    ASSERT_TRUE(host.Call(keeper, "$void@Keeper::Both(int)", nullptr, {3}));
    ASSERT_EQ(Changes().size(), 3u);
    ASSERT_EQ(Reads().size(), 3u);
    for (const Seen& seen : Changes()) {
        // New strings of the context each time: the change made to the one
        // before is not seen.
        EXPECT_EQ(seen.text[0], "ab");
        EXPECT_EQ(seen.text[1], "cd");
        EXPECT_EQ(seen.context[0], host.context);
        EXPECT_EQ(seen.context[1], host.context);
        EXPECT_EQ(seen.count[0], 1);
    }
    for (const Seen& seen : Reads()) {
        // One object per constant, of no context, held by the library and
        // counted once more for the call.
        EXPECT_EQ(seen.string[0], Reads()[0].string[0]);
        EXPECT_EQ(seen.string[1], Reads()[0].string[1]);
        EXPECT_NE(seen.string[0], seen.string[1]);
        EXPECT_EQ(seen.text[0], "ab");
        EXPECT_EQ(seen.text[1], "cd");
        EXPECT_EQ(seen.context[0], nullptr);
        EXPECT_EQ(seen.count[0], 2);
        EXPECT_EQ(seen.count[1], 2);
    }
    // The calls gave their counts back.
    EXPECT_EQ(Reads()[0].string[0]->Header().count, 1);
    EXPECT_EQ(Reads()[0].string[1]->Header().count, 1);
}

TEST_F(LentStrings, OnlyConstantsAreLentAndFailingCallsFailAsBefore) {
    ASSERT_TRUE(host.Call(keeper, "$void@Keeper::FromLocal()"));
    ASSERT_EQ(Reads().size(), 1u);
    EXPECT_EQ(Reads()[0].context[0], host.context) << "a local's string is passed as it is";
    EXPECT_EQ(Reads()[0].context[1], nullptr);
    EXPECT_FALSE(host.Call(keeper, "$void@Keeper::OnNull()"));
    EXPECT_EQ(Reads().size(), 1u);
    EXPECT_EQ(GSTest::LogCapture::Count("Thread Exception: ER_NullReference, line 16, file keeper.gs"), 1);
}

TEST_F(LentStrings, TheContextsEndLeavesNoConstantBehind) {
    ASSERT_TRUE(host.Call(keeper, "$void@Keeper::Both(int)", nullptr, {2}));
    EXPECT_EQ(host.library->Constants().StringsHeld(), 2u);
    host.EndContext();
    EXPECT_EQ(host.library->Constants().StringsHeld(), 0u);
    EXPECT_EQ(host.leftBlocks, 0);
}

}  // namespace
