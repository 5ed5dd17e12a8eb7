// The user-name cache: fixed names, one request per id, and what is kept.
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/users/UserNameCache.h"

namespace {

using namespace VorlexTest;

int32_t IdOf(const Frame& frame) {
    const std::vector<uint8_t>& p = frame.payload;
    return p.size() < 4 ? 0 : static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

class UserNameCacheTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        InitUserNameCache();
    }
    void TearDown() override {
        DestroyUserNameCache();
        LinkTest::TearDown();
    }
    // The daemon's answers by user id (unknown ids get an empty reply).
    std::map<int32_t, Bytes> m_answers;
    FrameDaemon m_fake{[this](const Frame& frame, FrameLink& link) {
        auto it = m_answers.find(IdOf(frame));
        return link.Reply(frame.id, it == m_answers.end() ? std::vector<uint8_t>{} : it->second.Vec());
    }};
};

TEST_F(UserNameCacheTest, FixedIdsAreAnsweredWithoutAsking) {
    ASSERT_TRUE(Open());
    const std::pair<int32_t, const char*> fixed[] = {
        {0, "-"},          {-2, "unknown"},    {-1, "Kelmo"},      {-5, "Kelmo"},      {30501, "Kelmo"},
        {401543, "Kelmo"}, {44179, "Kelmo"},   {311512, "Kelmo"},  {407571, "Kelmo"}, {523, "Kelmo"},
        {414773, "Kelmo"}, {447264, "Kelmo"},  {467400, "Kelmo"},  {565830, "Kelmo"},
    };
    for (const auto& [id, name] : fixed) {
        int32_t second = 99;
        Vek::PString answer;
        EXPECT_TRUE(UserNameCache::Instance().Lookup(id, second, answer));
        EXPECT_STREQ(answer.c_str(), name) << id;
        EXPECT_EQ(second, -1) << id;
    }
    EXPECT_TRUE(m_fake.FramesOf(90).empty());
}

TEST_F(UserNameCacheTest, AnIdIsAskedOnceWhileItsAnswerHoldsSomething) {
    m_answers[1001] = Bytes().I32(-1).PStr("Jane_Doe");
    m_answers[1002] = Bytes().I32(5).PStr("");
    m_answers[1003] = Bytes().I32(-1).PStr("");
    ASSERT_TRUE(Open());
    for (int round = 0; round < 2; ++round) {
        Vek::PString name;
        EXPECT_TRUE(LookupUserName(1001, name));
        EXPECT_STREQ(name.c_str(), "jane_doe") << "lower-cased";
        int32_t second = 0;
        UserNameCache::Instance().Lookup(1002, second, name);
        EXPECT_EQ(second, 5);
        EXPECT_TRUE(name.IsEmpty());
        EXPECT_FALSE(LookupUserName(1003, name)) << "nothing to keep";
    }
    EXPECT_EQ(m_fake.FramesOf(90).size(), 4u) << "1001 and 1002 once, 1003 twice";
    EXPECT_EQ(m_fake.FramesOf(90)[0].payload, Bytes("e9 03 00 00").Vec());
}

TEST_F(UserNameCacheTest, TwoIdsWithOneNameStayCached) {
    m_answers[7] = Bytes().I32(-1).PStr("Shared");
    m_answers[8] = Bytes().I32(-1).PStr("shared");
    ASSERT_TRUE(Open());
    for (int round = 0; round < 2; ++round)
        for (int32_t id : {7, 8}) EXPECT_STREQ(GetUserName(id).c_str(), "shared");
    EXPECT_EQ(m_fake.FramesOf(90).size(), 2u);
    EXPECT_EQ(UserNameCache::Instance().RecordCount(), 2u);
}

TEST_F(UserNameCacheTest, AFailedRequestGivesAnEmptyNameAndKeepsNothing) {
    Vek::PString name("old");
    int32_t second = 3;
    EXPECT_TRUE(UserNameCache::Instance().Lookup(4242, second, name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(second, -1);
    EXPECT_EQ(UserNameCache::Instance().RecordCount(), 0u);
    Vek::PString none;
    EXPECT_FALSE(UserNameCache::Instance().Add(-1, none, 4242));
}

}  // namespace
