#include "assetdb/fpx/JoinKuidList.h"

#include <gtest/gtest.h>

#include <string>

TEST(JoinKuidList, TagTextsInOrderJoinedWithComma) {
    VADKuidList kuids;
    EXPECT_STREQ(JoinKuidList(kuids).c_str(), "");
    kuids.Add(KUID(1000, 7, 0));
    EXPECT_STREQ(JoinKuidList(kuids).c_str(), "<kuid:1000:7>");
    kuids.Add(KUID(1000, 8, 3));
    kuids.Add(KUID(-5, 2, 127));
    EXPECT_STREQ(JoinKuidList(kuids).c_str(), "<kuid:1000:7>, <kuid2:1000:8:3>, <kuid:-5:2>");
}
