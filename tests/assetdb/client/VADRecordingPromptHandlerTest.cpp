// The recording prompt handler: what each kind of answer leaves in the log.
#include <gtest/gtest.h>

#include "assetdb/client/VADRecordingPromptHandler.h"
#include "engine/File.h"
#include "foundation/kuid/KUID.h"
#include "foundation/results/ResultsLog.h"
#include "support/SourceTree.h"

namespace {

// Answers by the question's first character: '1' skip, '3' overwrite, '4'
// cancel.
class ByQuestion : public VADRecordingPromptHandler {
protected:
    int32_t Decide(const Vek::String& question, const KUID&) override { return question.c_str()[0] - '0'; }
};

TEST(VADRecordingPromptHandlerTest, AnswersAreReportedRememberedAndCancelStays) {
    Vek::File::Subst(Vek::PString("data"), SourceTreePath("data/Data").c_str(), true);

    ByQuestion handler;
    ResultsLog log;
    const KUID asset(523, 1001, 2);
    Vek::String message("$(ASSET_NAME) was $(ACTION).");
    // The daemon is not reachable here, so the asset is named by its KUID.
    EXPECT_EQ(handler.Answer(Vek::String("1 skip?"), message, asset, &log), 1);
    EXPECT_EQ(handler.Answer(Vek::String("3 overwrite?"), message, asset, &log), 3);
    EXPECT_EQ(handler.Answer(Vek::String("3 overwrite?"), message, asset, nullptr), 3);
    ASSERT_EQ(log.GetWarningCount(), 2);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(), "<kuid2:523:1001:2> was skipped.");
    EXPECT_STREQ(log.GetEntry(1).text.c_str(), "<kuid2:523:1001:2> was overwritten.");
    EXPECT_FALSE(handler.IsCancelled());

    EXPECT_EQ(handler.Answer(Vek::String("4 stop?"), message, asset, &log), 4);
    EXPECT_TRUE(handler.IsCancelled());
    EXPECT_EQ(handler.Answer(Vek::String("1 skip?"), message, asset, &log), 1);
    EXPECT_TRUE(handler.IsCancelled()) << "the flag stays";
    EXPECT_EQ(log.GetWarningCount(), 3);

    int32_t answer = 0;
    EXPECT_TRUE(handler.RememberedAnswer(Vek::String("4 stop?"), answer));
    EXPECT_EQ(answer, 4);
    EXPECT_FALSE(handler.RememberedAnswer(Vek::String("never asked"), answer));
}

}  // namespace
