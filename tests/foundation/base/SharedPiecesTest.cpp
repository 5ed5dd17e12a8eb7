#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "foundation/base/IdentifiableType.h"
#include "foundation/base/TrivialFunctions.h"

namespace {

struct Destroyed {
    int* count;
};

class PropertyLike : public IdentifiableType {
public:
    explicit PropertyLike(int* destroyed) : m_destroyed(destroyed) {}
    ~PropertyLike() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

class SpecLike : public IdentifiableType {};

TEST(IdentifiableType, GivesDynamicTypeAndDeletesThroughTheBase) {
    int destroyed = 0;
    std::unique_ptr<IdentifiableType> item(new PropertyLike(&destroyed));
    EXPECT_EQ(typeid(*item), typeid(PropertyLike));
    EXPECT_NE(dynamic_cast<PropertyLike*>(item.get()), nullptr);
    EXPECT_EQ(dynamic_cast<SpecLike*>(item.get()), nullptr);
    item.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(TrivialFunctions, LessByWord2ThenWord1ComparesUnsigned) {
    struct Case {
        uint32_t a[3];
        uint32_t b[3];
        bool less;
    };
    const Case cases[] = {
        {{0, 0, 1}, {0, 0, 2}, true},
        {{0, 9, 2}, {0, 1, 3}, true},           // the third word decides first
        {{0, 1, 3}, {0, 2, 3}, true},           // then the second
        {{5, 2, 3}, {1, 2, 3}, false},          // the first word is not looked at
        {{0, 0, 0xFFFFFFFFu}, {0, 0, 1}, false},  // unsigned: 0xFFFFFFFF is the largest
        {{0, 0x80000000u, 7}, {0, 1, 7}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(LessByWord2ThenWord1(c.a, c.b), c.less);
    void* slot = &slot;
    ClearPointer(&slot);
    EXPECT_EQ(slot, nullptr);
    ClearPointer(nullptr);
    EXPECT_EQ(Identity(42), 42);
}

}  // namespace
