// The token natives of VorlexGameObject and SecurityToken, called from
// scripts of objects that stand for assets.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOSecurityToken.h"
#include "gsnatives/support/VorlexScriptHost.h"
#include "gsruntime/router/GSRouter.h"

namespace {

using GSNatives::GSOSecurityToken;
using GSNativesTest::TestScriptable;
using GSNativesTest::VorlexScriptHost;

const char* const kScripts = R"(include "Vorlex.gs"

class Holder isclass VorlexGameObject
{
	public SecurityToken Issue(KUID owner)
	{
		string[] rights = new string[3];
		rights[0] = "read";
		rights[1] = "duplicate-token";
		rights[2] = "read";
		return IssueSecurityToken(owner, rights);
	}
	public SecurityToken ReIssue(SecurityToken token, KUID owner)
	{
		string[] rights = new string[2];
		rights[0] = "read";
		rights[1] = "write";
		return IssueSecurityToken(token, owner, rights);
	}
	public SecurityToken Merge(SecurityToken a, SecurityToken b)
	{
		SecurityToken[] tokens = new SecurityToken[3];
		tokens[0] = a;
		tokens[2] = b;
		return MergeSecurityTokens(tokens);
	}
	public bool ByIssuer(SecurityToken token, VorlexGameObject issuer, string right) { return Validate(token, issuer, right); }
	public bool ByKUID(SecurityToken token, KUID issuer, string right) { return Validate(token, issuer, right); }
	public bool Modified(SecurityToken token) { return token.IsOwnerLocallyModified(); }
};
)";

class SecurityTokenNatives : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start({{"holders.gs", kScripts}}));
        host.InstallAssetObjects();
    }

    // An object of the asset <kuid:user:1>, brought up.
    TestScriptable* Holder(int32_t user) {
        specs.push_back(GSNativesTest::NewTestSpec(KUID(user, 1, 0)));
        auto* object = new TestScriptable(host.context, specs.back().get(), host.Class("holders.gsl", "Holder"));
        host.context->Complete(object);
        EXPECT_FALSE(object->HasFailed());
        return object;
    }
    uint32_t Kuid(int32_t user) {
        return GSNatives::GSOKUID::GetOrCreate(KUID(user, 1, 0), host.context)->GetReference();
    }
    static uint32_t Counted(uint32_t reference) {
        if (reference) GSRuntime::GSScriptInstance::AddRef(reference);
        return reference;
    }
    static GSOSecurityToken* Token(uint32_t reference) {
        return dynamic_cast<GSOSecurityToken*>(GSRuntime::GSScriptInstance::OwnerOf(reference));
    }
    bool Check(TestScriptable* who, uint32_t token, const char* signature, uint32_t issuer, const char* right) {
        uint32_t answer = 0;
        auto* text = new GSRuntime::GSString(host.context, right);
        EXPECT_TRUE(VorlexScriptHost::Call(who, signature, &answer, {Counted(token), issuer, text->GetReference()}));
        return answer != 0;
    }
    uint32_t Call(TestScriptable* who, const char* signature, std::initializer_list<uint32_t> arguments) {
        uint32_t result = 0;
        EXPECT_TRUE(VorlexScriptHost::Call(who, signature, &result, arguments));
        references.push_back(result);
        return result;
    }
    void TearDown() override {
        for (uint32_t reference : references) GSRuntime::GSScriptInstance::ReleaseReference(reference);
    }

    VorlexScriptHost host;
    std::vector<std::unique_ptr<VorlexBaseSpec>> specs;
    std::vector<uint32_t> references;
};

TEST_F(SecurityTokenNatives, ATokenIssuedByOneObjectValidatesForItsOwnerOnly) {
    TestScriptable* issuer = Holder(1);
    TestScriptable* owner = Holder(2);
    TestScriptable* other = Holder(3);
    const uint32_t token = Call(issuer, "$SecurityToken@Holder::Issue(KUID)", {Kuid(2)});
    ASSERT_NE(Token(token), nullptr);

    const char* byIssuer = "$bool@Holder::ByIssuer(SecurityToken,VorlexGameObject,string)";
    const char* byKUID = "$bool@Holder::ByKUID(SecurityToken,KUID,string)";
    EXPECT_TRUE(Check(owner, token, byIssuer, Counted(issuer->GetReference()), "read"));
    EXPECT_FALSE(Check(owner, token, byIssuer, Counted(issuer->GetReference()), "Read"));
    EXPECT_FALSE(Check(owner, token, byIssuer, Counted(other->GetReference()), "read"));
    EXPECT_FALSE(Check(other, token, byIssuer, Counted(issuer->GetReference()), "read"));
    EXPECT_TRUE(Check(owner, token, byKUID, Kuid(1), "read"));
    EXPECT_FALSE(Check(owner, token, byKUID, Kuid(3), "read"));
}

TEST_F(SecurityTokenNatives, ReIssueAndMergeFromScripts) {
    TestScriptable* issuer = Holder(1);
    TestScriptable* owner = Holder(2);
    TestScriptable* further = Holder(3);
    const uint32_t token = Call(issuer, "$SecurityToken@Holder::Issue(KUID)", {Kuid(2)});
    // The owner holds "duplicate-token" and "read": it passes on "read" only.
    const uint32_t passed =
        Call(owner, "$SecurityToken@Holder::ReIssue(SecurityToken,KUID)", {Counted(token), Kuid(3)});
    ASSERT_NE(Token(passed), nullptr);
    const char* byIssuer = "$bool@Holder::ByIssuer(SecurityToken,VorlexGameObject,string)";
    EXPECT_TRUE(Check(further, passed, byIssuer, Counted(owner->GetReference()), "read"));
    EXPECT_FALSE(Check(further, passed, byIssuer, Counted(owner->GetReference()), "write"));
    // A stranger is refused.
    EXPECT_EQ(Call(further, "$SecurityToken@Holder::ReIssue(SecurityToken,KUID)", {Counted(token), Kuid(4)}), 0u);

    const uint32_t merged =
        Call(further, "$SecurityToken@Holder::Merge(SecurityToken,SecurityToken)", {Counted(token), Counted(passed)});
    ASSERT_NE(Token(merged), nullptr);
    EXPECT_TRUE(Check(owner, merged, byIssuer, Counted(issuer->GetReference()), "read"));
    EXPECT_TRUE(Check(further, merged, byIssuer, Counted(owner->GetReference()), "read"));
}

TEST_F(SecurityTokenNatives, AnObjectWithoutAssetSpecGetsNoResult) {
    auto* bare = new TestScriptable(host.context, nullptr);
    ASSERT_TRUE(bare->BindClass(host.Class("holders.gsl", "Holder"), host.context));
    host.context->GetRouter()->AddNode(bare);  // the router ends its nodes
    EXPECT_EQ(Call(bare, "$SecurityToken@Holder::Issue(KUID)", {Kuid(2)}), 0u);
    const uint32_t token = Call(Holder(1), "$SecurityToken@Holder::Issue(KUID)", {Kuid(2)});
    EXPECT_FALSE(Check(bare, token, "$bool@Holder::ByKUID(SecurityToken,KUID,string)", Kuid(1), "read"));
}

}  // namespace
