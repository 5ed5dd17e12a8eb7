#include "tetlib/ErrorHandler.h"

#include <gtest/gtest.h>

#include <cstdint>
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

// The indexed repeat rules against the plain rules, record by record: a
// fixed pseudo-random run of adds of every kind, removals by owner, reads
// and resets over a few owners and texts, so that repeats, removed repeats
// and re-adds all occur.
TEST_F(ErrorHandlerTest, IndexedRulesMatchThePlainRules) {
    struct Plain {
        std::vector<TETLib::ErrorRecord> records;
        bool Add(const Vek::PString& text, const Container* container, const Tag* tag, int severity) {
            for (const TETLib::ErrorRecord& record : records) {
                if (record.text != text) continue;
                if (container && record.ownerContainer == container) return false;
                if (tag && record.ownerTag == tag) return false;
                if (!container && !tag) return false;
            }
            records.push_back(TETLib::ErrorRecord{container, tag, text, severity});
            return true;
        }
        void RemoveFirst(const Container* container, const Tag* tag) {
            for (auto it = records.begin(); it != records.end(); ++it)
                if ((container && it->ownerContainer == container) || (tag && it->ownerTag == tag)) {
                    records.erase(it);
                    return;
                }
        }
        bool IsNewText(const Vek::PString& text) const {
            for (const TETLib::ErrorRecord& record : records)
                if (record.text == text) return false;
            return true;
        }
    } plain;
    const Vek::PString texts[] = {Vek::PString("x"), Vek::PString("y"), Vek::PString("z")};
    uint32_t seed = 12345;
    const auto next = [&](uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        const Vek::PString& text = texts[next(3)];
        const Container* container = ContainerAt(static_cast<int>(next(4)));
        const Tag* tag = TagAt(static_cast<int>(next(4)));
        switch (next(10)) {
            case 0:
            case 1:
                ASSERT_EQ(handler->AddError(text, container), plain.Add(text, container, nullptr, 3));
                break;
            case 2:
            case 3:
                ASSERT_EQ(handler->AddWarning(text, tag), plain.Add(text, nullptr, tag, 2));
                break;
            case 4:
                ASSERT_EQ(handler->AddMessage(text), plain.Add(text, nullptr, nullptr, 0));
                break;
            case 5:
                handler->RemoveFirstByTag(tag);
                plain.RemoveFirst(nullptr, tag);
                break;
            case 6:
                handler->RemoveFirstByContainer(container);
                plain.RemoveFirst(container, nullptr);
                break;
            case 7:
                ASSERT_EQ(handler->IsNewText(text), plain.IsNewText(text));
                break;
            case 8: {
                const std::vector<TETLib::ErrorRecord>& records = handler->Records();
                ASSERT_EQ(records.size(), plain.records.size());
                for (std::size_t i = 0; i < records.size(); ++i) {
                    EXPECT_EQ(records[i].text, plain.records[i].text) << i;
                    EXPECT_EQ(records[i].ownerContainer, plain.records[i].ownerContainer) << i;
                    EXPECT_EQ(records[i].ownerTag, plain.records[i].ownerTag) << i;
                    EXPECT_EQ(records[i].severity, plain.records[i].severity) << i;
                }
                break;
            }
            default:
                if (next(20) == 0) {
                    // Records handed in replace the old ones and are indexed.
                    handler->SetRecords(plain.records);
                }
                break;
        }
    }
}

// Each finding, and each owner's removal, visits a bounded number of
// records whatever came before: a configuration of 100,000 unknown tags made
// 100,000 findings, each compared with all before it.
TEST_F(ErrorHandlerTest, WorkFollowsTheNumberOfFindings) {
    constexpr int kTags = 100000;
    std::vector<int> owners(kTags);
    const Vek::PString unknown("unknown tag");
    for (int i = 0; i < kTags; ++i) {
        ASSERT_TRUE(handler->AddError(unknown, reinterpret_cast<const Tag*>(&owners[i])));
        ASSERT_FALSE(handler->AddError(unknown, reinterpret_cast<const Tag*>(&owners[i])));
        ASSERT_FALSE(handler->AddError(unknown));
    }
    EXPECT_EQ(handler->Records().size(), std::size_t(kTags));
    // Destroyed tags remove their findings, in reverse order; a tag without
    // one removes nothing.
    for (int i = kTags - 1; i >= 0; --i) handler->RemoveFirstByTag(reinterpret_cast<const Tag*>(&owners[i]));
    handler->RemoveFirstByTag(reinterpret_cast<const Tag*>(&owners[0]));
    EXPECT_TRUE(handler->Records().empty());
    EXPECT_TRUE(handler->IsNewText(unknown));
    EXPECT_LE(handler->RecordsVisited(), uint64_t(8) * kTags);
}

}  // namespace
