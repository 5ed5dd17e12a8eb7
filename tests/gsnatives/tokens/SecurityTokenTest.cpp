// Security tokens: issuing, validation, merging, re-issuing, destroyed
// issuers and the local-modification question.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gsnatives/GSOSecurityToken.h"
#include "gsnatives/support/ProgramLogCapture.h"
#include "gsnatives/support/VorlexScriptHost.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSString.h"

namespace {

using GSNatives::GSOSecurityToken;
using GSNativesTest::TestScriptable;
using GSRuntime::GSArray;
using GSRuntime::GSScriptInstance;

// An element of a rights array: a text, null, or an object that is no text.
struct Element {
    const char* text;
    bool object = false;
};

class SecurityTokenTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Start()); }
    void TearDown() override {
        for (GSRuntime::GSObjectReference* value : values) GSScriptInstance::ReleaseReference(value->GetReference());
        GSNatives::SetLocalModificationQueries({});
    }

    // An issuer standing for the asset <kuid:user:content>; not in the
    // context's lists.
    TestScriptable* Issuer(int32_t user, int32_t content) {
        specs.push_back(GSNativesTest::NewTestSpec(KUID(user, content, 0)));
        issuers.push_back(std::make_unique<TestScriptable>(nullptr, specs.back().get()));
        return issuers.back().get();
    }
    // A script array of the elements, released by the fixture.
    GSArray* Rights(std::initializer_list<Element> elements) {
        auto* array = Keep(new GSArray(host.context, true));
        int32_t i = 0;
        for (const Element& element : elements) {
            GSRuntime::GSDataRef value = 0;
            if (element.object)
                value = (new GSArray(host.context, false))->GetReference();
            else if (element.text)
                value = (new GSRuntime::GSString(host.context, element.text))->GetReference();
            array->SetElementReference(i++, value, false, nullptr);
        }
        return array;
    }
    GSArray* Tokens(std::initializer_list<GSRuntime::GSObjectReference*> elements) {
        auto* array = Keep(new GSArray(host.context, true));
        int32_t i = 0;
        for (GSRuntime::GSObjectReference* element : elements)
            array->SetElementReference(i++, element ? element->GetReference() : 0, true, nullptr);
        return array;
    }
    template <class T>
    T* Keep(T* value) {
        if (value) values.push_back(value);
        return value;
    }
    GSOSecurityToken* Issue(TestScriptable* issuer, const KUID& owner, std::initializer_list<Element> rights) {
        return Keep(new GSOSecurityToken(host.context, issuer, owner, Rights(rights)));
    }

    // issuer KUID tag -> owner KUID tag -> rights, of the live issuers.
    using Flat = std::map<std::string, std::map<std::string, std::vector<std::string>>>;
    static Flat Flatten(const GSOSecurityToken& token) {
        Flat flat;
        for (const auto& [identity, grants] : token.GetGrants()) {
            auto* issuer = static_cast<GSNatives::ScriptableObject*>(grants.issuer.Get());
            if (!issuer) continue;
            auto& owners = flat[issuer->GetAssetKUID().ToTagString().c_str()];
            for (const auto& [owner, rights] : grants.owners) {
                auto& list = owners[owner.ToTagString().c_str()];
                for (const Vek::PString& right : rights) list.push_back(right.c_str());
            }
        }
        return flat;
    }

    GSNativesTest::VorlexScriptHost host;
    std::vector<std::unique_ptr<VorlexBaseSpec>> specs;
    std::vector<std::unique_ptr<TestScriptable>> issuers;
    std::vector<GSRuntime::GSObjectReference*> values;
    const KUID owner{10, 1, 0};
};

TEST_F(SecurityTokenTest, AnIssuedTokenGrantsEachDistinctTextExactly) {
    TestScriptable* x = Issuer(1, 1);
    GSOSecurityToken* token = Issue(x, owner, {{"read"}, {"write"}, {nullptr}, {"read"}, {"", true}});
    ASSERT_NE(token->GetReference(), 0u);  // bound to SecurityToken
    EXPECT_EQ(Flatten(*token), (Flat{{"<kuid:1:1>", {{"<kuid:10:1>", {"read", "write"}}}}}));

    EXPECT_TRUE(token->HasRight(x, Vek::PString("read"), owner));
    EXPECT_FALSE(token->HasRight(x, Vek::PString("Read"), owner));
    EXPECT_FALSE(token->HasRight(x, Vek::PString("read"), KUID(10, 2, 0)));
    EXPECT_FALSE(token->HasRight(Issuer(2, 2), Vek::PString("read"), owner));
    EXPECT_EQ(token->FindIssuerByKUID(KUID(1, 1, 0)), x);
    EXPECT_EQ(token->FindIssuerByKUID(KUID(1, 1, 1)), nullptr);
}

// A token outlives its issuer: the issuer's grants go dead with it and are
// never reached through the token again, not even by an object that comes
// to live at the same address.
TEST_F(SecurityTokenTest, ADestroyedIssuerIsNeverReachedAgain) {
    TestScriptable* x = Issuer(1, 1);
    GSOSecurityToken* token = Issue(x, owner, {{"read"}});
    issuers.clear();  // x is gone

    EXPECT_EQ(token->FindIssuerByKUID(KUID(1, 1, 0)), nullptr);
    EXPECT_EQ(Flatten(*token), Flat{});
    GSOSecurityToken* copy = Keep(new GSOSecurityToken(host.context, *token));
    EXPECT_TRUE(copy->GetGrants().empty());

    TestScriptable* y = Issuer(1, 1);
    EXPECT_FALSE(token->HasRight(y, Vek::PString("read"), owner));
}

TEST_F(SecurityTokenTest, MergingUnitesTheTokensAndSkipsEverythingElse) {
    TestScriptable* x = Issuer(1, 1);
    TestScriptable* y = Issuer(2, 2);
    GSOSecurityToken* t1 = Issue(x, owner, {{"a"}});
    GSOSecurityToken* t2 = Issue(x, owner, {{"b"}});
    GSOSecurityToken* t3 = Issue(y, KUID(11, 1, 0), {{"c"}});
    auto* text = Keep(new GSRuntime::GSString(host.context, "not a token"));

    GSOSecurityToken* merged = Keep(GSOSecurityToken::MergeTokens(x, Tokens({nullptr, t1, text, t2, t3})));
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(Flatten(*merged), (Flat{{"<kuid:1:1>", {{"<kuid:10:1>", {"a", "b"}}}},
                                      {"<kuid:2:2>", {{"<kuid:11:1>", {"c"}}}}}));
    EXPECT_EQ(Flatten(*t1), (Flat{{"<kuid:1:1>", {{"<kuid:10:1>", {"a"}}}}}));  // sources unchanged

    EXPECT_EQ(GSOSecurityToken::MergeTokens(x, Tokens({nullptr, text})), nullptr);
    EXPECT_EQ(GSOSecurityToken::MergeTokens(x, Tokens({})), nullptr);
}

TEST_F(SecurityTokenTest, ReIssuing) {
    TestScriptable* issuer = Issuer(1, 1);
    TestScriptable* holder = Issuer(20, 1);    // owner with "duplicate-token"
    TestScriptable* plain = Issuer(21, 1);     // owner without it
    TestScriptable* stranger = Issuer(22, 1);  // neither
    GSOSecurityToken* source = Keep(GSOSecurityToken::MergeTokens(
        issuer, Tokens({Issue(issuer, KUID(20, 1, 0), {{"duplicate-token"}, {"a"}, {"c"}}),
                        Issue(issuer, KUID(21, 1, 0), {{"a"}}), Issue(issuer, KUID(1, 1, 0), {{"a"}, {"z"}})})));
    const KUID newOwner(30, 1, 0);

    struct Case {
        const char* name;
        TestScriptable* caller;
        std::initializer_list<Element> rights;
        bool refused;
        Flat expected;
    };
    const Case cases[] = {
        {"nothing requested", holder, {}, false, {}},
        {"only nulls requested", holder, {{nullptr}, {nullptr}}, false, {}},
        {"an owner holding duplicate-token passes on what it holds",
         holder,
         {{"a"}, {"b"}},
         false,
         {{"<kuid:1:1>",
           {{"<kuid:1:1>", {"a", "z"}}, {"<kuid:20:1>", {"a", "c", "duplicate-token"}}, {"<kuid:21:1>", {"a"}}}},
          {"<kuid:20:1>", {{"<kuid:30:1>", {"a"}}}}}},
        {"an owner without duplicate-token", plain, {{"a"}}, true, {}},
        {"a stranger", stranger, {{"a"}}, true, {}},
        {"the issuer narrows its own entry and grants what it asked for",
         issuer,
         {{"a"}, {"b"}},
         false,
         {{"<kuid:1:1>",
           {{"<kuid:1:1>", {"a"}},
            {"<kuid:20:1>", {"a", "c", "duplicate-token"}},
            {"<kuid:21:1>", {"a"}},
            {"<kuid:30:1>", {"a", "b"}}}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GSNativesTest::ProgramLogCapture log;
        GSOSecurityToken* result = Keep(GSOSecurityToken::ReIssueToken(*source, c.caller, newOwner, Rights(c.rights)));
        const std::string text = log.Text();
        if (c.expected.empty()) {
            EXPECT_EQ(result, nullptr);
            const std::string line = "GSOSecurityToken::ReIssueToken> Unauthorised attempt made to re-issue "
                                     "security token (" +
                                     std::string(c.caller->GetAssetKUID().ToTagString().c_str()) + ")";
            EXPECT_EQ(text.find(line) != std::string::npos, c.refused) << text;
            if (!c.refused) {
                EXPECT_EQ(text.find("ReIssueToken"), std::string::npos) << text;
            }
            continue;
        }
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(Flatten(*result), c.expected);
    }
}

TEST_F(SecurityTokenTest, LocalModificationIsAskedOncePerAssetSpec) {
    static std::map<std::string, std::unique_ptr<VorlexBaseSpec>> known;
    static std::map<std::string, int> asked;
    known.clear();
    asked.clear();
    for (const KUID& kuid : {KUID(40, 1, 0), KUID(41, 1, 0)})
        known[kuid.ToTagString().c_str()] = GSNativesTest::NewTestSpec(kuid);
    GSNatives::LocalModificationQueries queries;
    queries.getBaseSpec = [](const KUID& kuid) {
        auto it = known.find(kuid.ToTagString().c_str());
        return it == known.end() ? SpecHandle() : SpecHandle(it->second.get());
    };
    queries.isLocallyModified = [](const KUID& kuid) {
        ++asked[kuid.ToTagString().c_str()];
        return kuid.GetUserID() == 41;
    };
    GSNatives::SetLocalModificationQueries(queries);

    TestScriptable* x = Issuer(1, 1);
    GSOSecurityToken* unknownOwners = Issue(x, KUID(50, 1, 0), {{"a"}});
    EXPECT_FALSE(unknownOwners->IsOwnerLocallyModified());
    EXPECT_TRUE(asked.empty());

    GSOSecurityToken* clean = Issue(x, KUID(40, 1, 0), {{"a"}});
    GSOSecurityToken* both = Keep(GSOSecurityToken::MergeTokens(x, Tokens({clean, Issue(x, KUID(41, 1, 0), {{"a"}})})));
    EXPECT_FALSE(clean->IsOwnerLocallyModified());
    EXPECT_FALSE(clean->IsOwnerLocallyModified());
    EXPECT_TRUE(both->IsOwnerLocallyModified());
    EXPECT_TRUE(both->IsOwnerLocallyModified());
    EXPECT_EQ(asked, (std::map<std::string, int>{{"<kuid:40:1>", 1}, {"<kuid:41:1>", 1}}));
    known.clear();
}

}  // namespace
