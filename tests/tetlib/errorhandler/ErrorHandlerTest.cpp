#include "tetlib/ErrorHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TETLib::Container;
using TETLib::ErrorHandler;
using TETLib::Tag;

// Owners are only compared, never used: any distinct addresses do.
int g_ownerSlots[4];
const Container* ContainerAt(int i) { return reinterpret_cast<const Container*>(&g_ownerSlots[i]); }
const Tag* TagAt(int i) { return reinterpret_cast<const Tag*>(&g_ownerSlots[i]); }

class ErrorHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ErrorHandler::CreateInstance());
        handler = ErrorHandler::Instance();
        ASSERT_NE(handler, nullptr);
    }
    void TearDown() override {
        ErrorHandler::DestroyInstance();
        EXPECT_EQ(ErrorHandler::Instance(), nullptr);
    }

    std::vector<std::pair<std::string, int>> Texts() const {
        std::vector<std::pair<std::string, int>> texts;
        for (const TETLib::ErrorRecord& record : handler->Records()) texts.emplace_back(record.text.c_str(), record.severity);
        return texts;
    }

    ErrorHandler* handler = nullptr;
};

TEST_F(ErrorHandlerTest, RepeatsAreDroppedByOwnerAndText) {
    const Vek::PString a("finding a");
    const Vek::PString b("finding b");
    struct Step {
        const char* what;
        bool (*add)(ErrorHandler&, const Vek::PString&);
        const Vek::PString* text;
        bool added;
    };
    const std::vector<Step> steps = {
        {"error on container 0", [](ErrorHandler& h, const Vek::PString& t) { return h.AddError(t, ContainerAt(0)); }, &a, true},
        {"same text, same container", [](ErrorHandler& h, const Vek::PString& t) { return h.AddError(t, ContainerAt(0)); }, &a, false},
        {"same text, other container", [](ErrorHandler& h, const Vek::PString& t) { return h.AddError(t, ContainerAt(1)); }, &a, true},
        {"warning then error, same tag", [](ErrorHandler& h, const Vek::PString& t) { return h.AddWarning(t, TagAt(2)); }, &b, true},
        {"error after the warning", [](ErrorHandler& h, const Vek::PString& t) { return h.AddError(t, TagAt(2)); }, &b, false},
        {"no owner after an owned one", [](ErrorHandler& h, const Vek::PString& t) { return h.AddMessage(t); }, &a, false},
        {"owned text on a tag is new", [](ErrorHandler& h, const Vek::PString& t) { return h.AddMessage(t, TagAt(3)); }, &a, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.add(*handler, *step.text), step.added);
    }
    const std::vector<std::pair<std::string, int>> expected = {
        {"finding a", 3}, {"finding a", 3}, {"finding b", 2}, {"finding a", 0}};
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(handler->Records()[0].ownerContainer, ContainerAt(0));
    EXPECT_EQ(handler->Records()[0].ownerTag, nullptr);
    EXPECT_EQ(handler->Records()[2].ownerTag, TagAt(2));
    EXPECT_FALSE(handler->IsNewText(a));
    EXPECT_TRUE(handler->IsNewText(Vek::PString("never added")));
}

TEST_F(ErrorHandlerTest, NotesAreDroppedAndRemovalTakesTheFirstOfAnOwner) {
    EXPECT_TRUE(handler->AddNote(Vek::PString("$tet_mesh_successfulmesh"), ContainerAt(0)));
    EXPECT_TRUE(handler->AddNote(Vek::PString("$tet_mesh_successfulmesh"), TagAt(1)));
    EXPECT_TRUE(handler->Records().empty());

    handler->AddError(Vek::PString("first"), TagAt(1));
    handler->AddWarning(Vek::PString("second"), TagAt(1));
    handler->AddError(Vek::PString("third"), ContainerAt(0));
    handler->AddError(Vek::PString("fourth"), ContainerAt(0));
    handler->RemoveFirstByTag(TagAt(1));
    handler->RemoveFirstByContainer(ContainerAt(0));
    handler->RemoveFirstByTag(nullptr);  // owns nothing: removes nothing
    const std::vector<std::pair<std::string, int>> expected = {{"second", 2}, {"fourth", 3}};
    EXPECT_EQ(Texts(), expected);

    handler->Clear();
    EXPECT_TRUE(handler->Records().empty());
    handler->Clear();
    EXPECT_TRUE(handler->AddError(Vek::PString("first")));
    EXPECT_EQ(handler->Records().size(), 1u);
}

TEST_F(ErrorHandlerTest, EchoPrintsThePrefixAndKeepsTheBareText) {
    testing::internal::CaptureStdout();
    handler->AddError(Vek::PString("silent"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    handler->SetEcho(true);
    testing::internal::CaptureStdout();
    handler->AddError(Vek::PString("loud"));
    handler->AddError(Vek::PString("loud"));  // a repeat prints nothing
    const std::string printed = testing::internal::GetCapturedStdout();
    // No interface-text table here: the prefix is the key itself.
    EXPECT_EQ(printed, "$tet_eh_errorloud\n");
    EXPECT_EQ(handler->Records().back().text, Vek::PString("loud"));
}

}  // namespace
