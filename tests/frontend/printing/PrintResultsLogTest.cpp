#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/kuid/KUID.h"
#include "foundation/properties/VariableProperties.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/PrintResultsLog.h"

namespace {

std::string Printed(ResultsLog& log) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    PrintResultsLog(log, out);
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

PropertyRef AssetProperty(const KUID& kuid) {
    return PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("AssetID"), kuid));
}

TEST(PrintResultsLog, AnEmptyLogPrintsOnlyTheSummary) {
    ResultsLog log;
    EXPECT_EQ(Printed(log), "OK (0 Errors, 0 Warnings)\n");
}

TEST(PrintResultsLog, PrintsPrefixAssetAndMessageForEachEntry) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    Vek::PString notAKuid("not a kuid");
    VorlexPropertyString plain(Vek::PString("name"), &notAKuid);

    ResultsLog log;
    log.AddEntry(ResultsLogEntry::kInformation, AssetProperty(KUID(3, 100, 0)), "info", nullptr);
    log.AddEntry(ResultsLogEntry::kWarning, AssetProperty(KUID(3, 100, 2)), "warn", nullptr);
    log.AddEntry(ResultsLogEntry::kError, "Invalid argument\n");
    log.AddEntry(ResultsLogEntry::kSuccess, AssetProperty(KUID(-5, 100, 127)), "done", nullptr);
    log.AddEntry(7, PropertyRef::Adopt(&plain), "odd severity", nullptr);
    log.AddEntry(ResultsLogEntry::kError, PropertyRef(), "Gr\xC3\xBC\xC3\x9F", nullptr);

    EXPECT_EQ(Printed(log),
              "; <kuid:3:100> : info\n"
              "! <kuid2:3:100:2> : warn\n"
              "- <NULL> : Invalid argument\n\n"
              "+ <kuid:-5:100> : done\n"
              "<NULL> : odd severity\n"
              "- <NULL> : Gr\xC3\xBC\xC3\x9F\n"
              "OK (2 Errors, 1 Warnings)\n");
}

TEST(PrintResultsLog, TextsOutsideTheConsoleCharacterSetBecomeQuestionMarks) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    ResultsLog log;
    log.AddEntry(ResultsLogEntry::kWarning, "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(Printed(log), "! <NULL> : caf? ?\nOK (0 Errors, 1 Warnings)\n");
    EXPECT_STREQ(ConvertLogTextForConsole(Vek::String("")).c_str(), "");
}

}  // namespace
