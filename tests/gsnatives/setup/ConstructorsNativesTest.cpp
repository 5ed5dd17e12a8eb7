// The constructors' natives answer null where the object class is not part
// of the program: a script then gets a null reference, never a stale slot.
#include "gsnatives/ConstructorsNatives.h"

#include <gtest/gtest.h>

#include "gsruntime/GSStack.h"

namespace {

TEST(ConstructorsNatives, AnObjectClassNotYetThereGivesNull) {
    GSRuntime::GSStack stack;
    ASSERT_TRUE(stack.Push(0xDEADBEEFu));
    GSNatives::ConstructorsNewImage(nullptr, &stack);
    EXPECT_EQ(stack.Top(), 0u);
}

}  // namespace
