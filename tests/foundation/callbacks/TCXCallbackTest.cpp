#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "foundation/callbacks/TCXCallback.h"
#include "foundation/callbacks/TCXCallbackCIntPtr.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"

namespace {

// A body that counts its calls and its destruction.
class CountingBody : public TCXCallbackBase {
public:
    explicit CountingBody(int* destroyed) : m_destroyed(destroyed) {}
    ~CountingBody() override { ++*m_destroyed; }
    int32_t Invoke(CallArgument argument) override {
        ++calls;
        return static_cast<int32_t>(argument) + 1;
    }
    int calls = 0;

private:
    int* m_destroyed;
};

struct Target {
    int32_t Member(CallArgument argument) {
        received = argument;
        return 7;
    }
    void VoidMember(CallArgument argument) { received = argument * 2; }
    CallArgument received = -1;
};

// A target whose member lives in its second base, so the member pointer
// needs a this-adjustment.
struct FirstBase {
    virtual ~FirstBase() = default;
    int padding[5] = {};
};
struct SecondBase {
    virtual ~SecondBase() = default;
    void Note(CallArgument argument) { noted = argument; }
    CallArgument noted = 0;
};
struct Derived : FirstBase, SecondBase {};

int32_t Triple(CallArgument argument) { return static_cast<int32_t>(argument * 3); }

}  // namespace

TEST(TCXCallbackTest, EmptyHandleIsInvalidAndCallsGiveMinusOne) {
    TCXCallback empty;
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(empty.Call(5), -1);
    TCXCallback fromNull(nullptr);
    EXPECT_FALSE(fromNull.IsValid());
    EXPECT_EQ(fromNull.Call(0), -1);
}

TEST(TCXCallbackTest, MemberCallbacksReturnZeroAndFunctionCallbacksTheirResult) {
    Target target;
    TCXCallback member = MakeMemberCallback(&target, &Target::Member);
    ASSERT_TRUE(member.IsValid());
    EXPECT_EQ(member.Call(41), 0);
    EXPECT_EQ(target.received, 41);

    TCXCallback voidMember = MakeMemberCallback(&target, &Target::VoidMember);
    EXPECT_EQ(voidMember.Call(4), 0);
    EXPECT_EQ(target.received, 8);

    TCXCallback function = MakeFunctionCallback(Triple);
    EXPECT_EQ(function.Call(5), 15);

    TCXCallbackBase* bare = new TCXCallbackBase();
    TCXCallback unbound(bare);
    EXPECT_EQ(unbound.Call(3), -1);
}

TEST(TCXCallbackTest, MemberOfASecondBaseIsCalledOnTheRightObject) {
    Derived object;
    // The member pointer of Derived carries the offset of SecondBase inside it.
    TCXCallback callback = MakeMemberCallback(&object, &Derived::Note);
    callback.Call(99);
    EXPECT_EQ(object.noted, 99);
    EXPECT_EQ(object.padding[0], 0);
}

TEST(TCXCallbackTest, BodyIsDestroyedOnceAtTheLastReleaseInAnyOrder) {
    // Four handles (the original and three copies), released in these orders.
    const std::vector<std::array<int, 4>> orders = {
        {0, 1, 2, 3}, {3, 2, 1, 0}, {1, 3, 0, 2}, {2, 0, 3, 1}};
    for (const auto& order : orders) {
        int destroyed = 0;
        std::array<TCXCallback, 4> handles;
        handles[0] = TCXCallback(new CountingBody(&destroyed));
        handles[1] = handles[0];
        TCXCallback third(handles[1]);
        handles[2] = third;
        third.Release();
        handles[3] = handles[2];
        EXPECT_EQ(handles[0].Body()->ReferenceCount(), 4);
        for (int step = 0; step < 4; ++step) {
            EXPECT_EQ(destroyed, 0) << "released too early, order starting " << order[0];
            handles[order[step]].Release();
        }
        EXPECT_EQ(destroyed, 1);
    }
}

TEST(TCXCallbackTest, SelfAssignmentKeepsTheBodyAndUnusedBodiesAreNeverInvoked) {
    int destroyed = 0;
    auto* body = new CountingBody(&destroyed);
    {
        TCXCallback handle(body);
        TCXCallback& alias = handle;
        handle = alias;
        EXPECT_TRUE(handle.IsValid());
        EXPECT_EQ(body->ReferenceCount(), 1);
        EXPECT_EQ(destroyed, 0);
        EXPECT_EQ(body->calls, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(TCXCallbackTest, HandlesCopiedAndReleasedOnManyThreadsDestroyTheBodyOnce) {
    int destroyed = 0;
    TCXCallback original(new CountingBody(&destroyed));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([copy = original] {
            for (int i = 0; i < 2000; ++i) {
                TCXCallback again(copy);
                TCXCallback other;
                other = again;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(original.Body()->ReferenceCount(), 1);
    original.Release();
    EXPECT_EQ(destroyed, 1);
}
