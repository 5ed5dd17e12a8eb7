#include "foundation/logfile/LogFileWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "engine/Time.h"
#include "foundation/logfile/LogTimestamp.h"
#include "support/TempDir.h"

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Line(LogFileWriter& writer, const std::string& text) { writer.WriteLine(text.data(), text.size()); }

TEST(LogFileWriter, CountsSuppressedLinesAndNotesThemBeforeTheNextLine) {
    VorlexTest::TempDir dir;
    LogFileWriter writer(dir.Path(), "run.log", "tick\r\n");
    Line(writer, "start\r\n");
    for (int i = 0; i < 3; ++i) Line(writer, "tick\r\n");
    EXPECT_EQ(writer.GetSuppressedCount(), 3);
    Line(writer, "stop\r\n");
    Line(writer, "tick\r\n");
    writer.Close();  // writes the pending note
    EXPECT_EQ(writer.GetCurrentPath(), dir.Path() + "/run.log");
    EXPECT_EQ(Contents(dir / "run.log"),
              "\r\nstart\r\n[3 lines suppressed]\r\nstop\r\n[1 lines suppressed]\r\n");

    // Reopening appends to the same file.
    Line(writer, "again\r\n");
    writer.Close();
    EXPECT_EQ(Contents(dir / "run.log"),
              "\r\nstart\r\n[3 lines suppressed]\r\nstop\r\n[1 lines suppressed]\r\nagain\r\n");
}

TEST(LogFileWriter, TakesAUniqueNameAndFlushesEachLineWhenAsked) {
    VorlexTest::TempDir dir;
    {
        LogFileWriter first(dir.Path(), "run.log", "tick");
        Line(first, "one");
    }
    LogFileWriter second(dir.Path(), "run.log", "tick");
    second.SetFlushEachLine(true);
    Line(second, "tick");  // not suppressed while every line is flushed
    EXPECT_EQ(second.GetCurrentPath(), dir.Path() + "/run_2.log");
    EXPECT_EQ(Contents(dir / "run_2.log"), "\r\ntick");

    LogFileWriter off(dir.Path(), "off.log");
    off.SetEnabled(false);
    Line(off, "lost");
    EXPECT_FALSE(off.HasFile());
    EXPECT_TRUE(off.GetCurrentPath().empty());

    // A folder that cannot be made leaves the writer without a file.
    LogFileWriter nowhere("/proc/no-such-folder", "x.log");
    Line(nowhere, "lost");
    EXPECT_FALSE(nowhere.HasFile());
}

TEST(LogFileWriter, StampsTheNoteWhenTimeStampsAreOn) {
    VorlexTest::TempDir dir;
    LogTimestampSettings::SetBase(20240305, Vek::Time::GetSeconds() - 3723.5);
    LogTimestampSettings::SetEnabled(true);
    LogFileWriter writer(dir.Path(), "t.log", "x");
    Line(writer, "x");
    Line(writer, "y");
    writer.Close();
    LogTimestampSettings::SetEnabled(false);
    const std::string text = Contents(dir / "t.log");
    EXPECT_TRUE(std::regex_match(text, std::regex("\r\n24\\.03\\.05  01:02:0[3-9]\\.\\d\\d\\| \\[1 lines suppressed\\]\r\ny")))
        << text;
}

TEST(LogTimestamp, AddDaysCrossesMonthsAndYears) {
    struct Case {
        int32_t date;
        int64_t days;
        int32_t expected;
    };
    const Case cases[] = {
        {20231231, 1, 20240101},   {20240101, -1, 20231231}, {20240228, 1, 20240229},
        {20230228, 1, 20230301},   {21000228, 1, 21000301},  {20000228, 1, 20000229},
        {20240305, 0, 20240305},   {19991231, 366, 20001231}, {20231301, 1, 20231301},  // no such month
        {20230230, 1, 20230230},  // no such day
    };
    for (const Case& c : cases) EXPECT_EQ(AddDays(c.date, c.days), c.expected) << c.date << " + " << c.days;
}

TEST(LogTimestamp, FormatsDateAndTimeOfDay) {
    LogTimestampSettings::SetBase(20240305, 0.0);
    struct Case {
        double seconds;
        const char* expected;
    };
    const Case cases[] = {
        {3723.5, "24.03.05  01:02:03.50| "},
        {0.0, "24.03.05  00:00:00.00| "},
        {86400.0 * 27 + 86399.0, "24.04.01  23:59:59.00| "},
        {-1.0, "24.03.04  23:59:59.00| "},
        {-86400.0, "24.03.04  00:00:00.00| "},
    };
    for (const Case& c : cases) {
        char buffer[64];
        const int length = FormatTimestamp(buffer, sizeof buffer, c.seconds);
        EXPECT_STREQ(buffer, c.expected) << c.seconds;
        EXPECT_EQ(length, 23);
    }
    char tiny[8];
    EXPECT_EQ(FormatTimestamp(tiny, sizeof tiny, 0.0), 7);
    EXPECT_STREQ(tiny, "24.03.0");
}

}  // namespace
