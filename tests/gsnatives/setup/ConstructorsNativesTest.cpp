// The constructors' natives answer null when their object's script class is
// not bound (no script-system set-up ran): a script then gets a null
// reference, never a stale slot.
#include "gsnatives/ConstructorsNatives.h"

#include <gtest/gtest.h>

#include "gsruntime/GSStack.h"

namespace {

TEST(ConstructorsNatives, AnUnboundClassGivesNull) {
    using Native = void (*)(GSRuntime::GSContext*, GSRuntime::GSStack*);
    for (Native native : {&GSNatives::ConstructorsNewSoup, &GSNatives::ConstructorsNewKUIDList,
                          &GSNatives::ConstructorsNewImage}) {
        GSRuntime::GSStack stack;
        ASSERT_TRUE(stack.Push(0xDEADBEEFu));
        native(nullptr, &stack);
        EXPECT_EQ(stack.Top(), 0u);
    }
}

}  // namespace
