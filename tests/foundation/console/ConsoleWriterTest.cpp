#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/console/ConsoleLogFile.h"
#include "foundation/console/ConsoleOutputListener.h"
#include "foundation/console/ConsoleWriter.h"
#include "foundation/console/StdoutFifo.h"
#include "support/TempDir.h"

namespace {

std::string ReadAvailable(int fd) {
    std::string all;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        all.append(buffer, static_cast<size_t>(n));
    }
    return all;
}

// A pipe whose write end is the console writer's output.
struct CapturedConsole {
    int fds[2] = {-1, -1};
    CapturedConsole() {
        EXPECT_EQ(::pipe(fds), 0);
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
        SetConsoleOutput(fds[1], false);
    }
    ~CapturedConsole() {
        SetConsoleOutput(STDOUT_FILENO, false);
        ::close(fds[0]);
        ::close(fds[1]);
    }
    std::string Output() { return ReadAvailable(fds[0]); }
};

TEST(ConsoleWriter, FormatsOneLineAndCutsLongTextsTo65535Characters) {
    CapturedConsole console;
    ConsolePrintf("%d%% of %s", 50, "100%s");
    EXPECT_EQ(console.Output(), "50% of 100%s\n");

    std::string longText(70000, 'x');
    ConsolePrintf("%s", longText.c_str());
    EXPECT_EQ(console.Output(), std::string(65535, 'x') + "\n");

    ConsolePrintfW(L"%ls", std::wstring(70000, L'y').c_str());
    EXPECT_EQ(console.Output(), std::string(65535, 'y') + "\n");

    ConsolePrintf(nullptr);
    ConsolePrintfW(nullptr);
    EXPECT_EQ(console.Output(), "");
}

TEST(ConsoleWriter, WideFormatIsNarrowedWithTheTypographicTable) {
    CapturedConsole console;
    ConsolePrintfW(L"%ls \u201Cq\u201D \u00E9", L"x");
    EXPECT_EQ(console.Output(), "x \x93q\x94 ?\n");
}

class CountingListener : public ConsoleOutputListener {
public:
    void OnConsoleLine(const std::u16string& text) override {
        lines.push_back(text);
        WriteConsoleLine("from listener");  // must not come back here
    }
    std::vector<std::u16string> lines;
};

class RecordingLogFile : public ConsoleLogFile {
public:
    void WriteLine(const char* data, std::size_t length) override { text.append(data, length); }
    std::string text;
};

TEST(ConsoleWriter, CopiesLinesToTheLogFileAndTellsListenersOnce) {
    CapturedConsole console;
    CountingListener listener;
    RecordingLogFile logFile;
    AddConsoleOutputListener(&listener);
    SetConsoleLogFile(&logFile);
    WriteConsoleLine("abc");
    SetConsoleLogFile(nullptr);
    RemoveConsoleOutputListener(&listener);

    EXPECT_EQ(console.Output(), "abc\nfrom listener\n");
    EXPECT_EQ(listener.lines, std::vector<std::u16string>{u"abc\n"});
    EXPECT_EQ(logFile.text, "abc\r\nfrom listener\r\n");
}

TEST(StdoutFifo, ConsoleLinesGoToTheProcessFifoAsUtf16) {
    VorlexTest::TempDir runtime;
    ASSERT_EQ(::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1), 0);
    std::string path = StdoutFifoPath(static_cast<int>(::getpid()));
    EXPECT_EQ(path, runtime.Path() + "/" + std::to_string(::getpid()) + "cout");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    ASSERT_TRUE(RedirectStdoutToPipe());
    EXPECT_TRUE(IsConsoleOutputPiped());
    WriteConsoleLine("abc");
    std::string bytes = ReadAvailable(reader);
    EXPECT_EQ(bytes, std::string("a\0b\0c\0\n\0", 8));
    ::close(reader);
}

TEST(StdoutFifo, AFifoWithoutReaderIsSkippedWithoutWaiting) {
    VorlexTest::TempDir runtime;
    ASSERT_EQ(::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1), 0);
    ASSERT_EQ(::mkfifo(StdoutFifoPath(static_cast<int>(::getpid())).c_str(), 0600), 0);
    EXPECT_FALSE(RedirectStdoutToPipe());  // a blocking open would hang here
    EXPECT_FALSE(IsConsoleOutputPiped());
}

TEST(StdoutFifo, ARegularFileOfThatNameIsNotTaken) {
    VorlexTest::TempDir runtime;
    ASSERT_EQ(::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1), 0);
    int fd = ::open(StdoutFifoPath(static_cast<int>(::getpid())).c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_FALSE(RedirectStdoutToPipe());
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(RuntimeFolder(), "/tmp/vorlex-" + std::to_string(::getuid()));
}

}  // namespace
