#pragma once
// An in-process daemon for the command words: it records every frame the
// client sends and answers each request from a responder chosen by
// operation (an empty reply by default), optionally after log-line notices
// for the request. The fixture beside it lays out an installation with its
// location folders and its interface texts, opens the database and runs
// command lines through the dispatcher, collecting what they print and
// their log.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "assetdb/client/ClientTestSupport.h"
#include "assetdb/client/FakeDaemon.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/layout/AssetFolders.h"
#include "assetdb/layout/InstallLayout.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "engine/Log.h"
#include "foundation/kuid/KUID.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/CommandDispatcher.h"
#include "frontend/PrintResultsLog.h"
#include "frontend/StartupContext.h"
#include "support/SourceTree.h"

namespace CommandTest {

// Little-endian bytes written by hand in the link's forms.
class Bytes {
public:
    Bytes& I32(int32_t value) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
        return *this;
    }
    Bytes& I64(int64_t value) {
        for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
        return *this;
    }
    Bytes& U8(uint8_t value) {
        m_bytes.push_back(value);
        return *this;
    }
    Bytes& F32(float value) {
        uint32_t word;
        std::memcpy(&word, &value, 4);
        return I32(static_cast<int32_t>(word));
    }
    // The plain-string form: count, bytes.
    Bytes& Str(const std::string& text) {
        I32(static_cast<int32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    // The interned-string form: count with the NUL, bytes, NUL; 0 when empty.
    Bytes& PStr(const std::string& text) {
        if (text.empty()) return I32(0);
        I32(static_cast<int32_t>(text.size() + 1));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
        return *this;
    }
    // The stream form: content id, then (version << 25) | (user & 0x1FFFFFF).
    Bytes& Kuid(int32_t user, int32_t content, int32_t version) {
        I32(content);
        return I32(static_cast<int32_t>((static_cast<uint32_t>(version) << 25) | (static_cast<uint32_t>(user) & 0x1FFFFFF)));
    }
    Bytes& NullKuid() { return Kuid(-1, -1, 127); }
    // A four-character tag as the link sends it (first character last).
    Bytes& Tag(const char (&text)[5]) {
        for (int i = 3; i >= 0; --i) m_bytes.push_back(static_cast<uint8_t>(text[i]));
        return *this;
    }
    Bytes& Raw(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    const std::vector<uint8_t>& Get() const { return m_bytes; }
    operator const std::vector<uint8_t>&() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// The asset-info record's wire form with the fields the commands read.
struct InfoRecord {
    int32_t user = 3, content = 100, version = 0;
    std::string name = "Box";
    std::string keywords;
    uint8_t statusA = 0;  // bit 2 locally modified, 3 installed, 6 download service, 7 archived
    uint8_t statusB = 0;  // bit 0 open for edit, 1 faulty, 3 missing dependencies
    int32_t author = 0;
    std::string categoryClass;
    float build = 3.5f;
    uint8_t found = 1;

    std::vector<uint8_t> Wire() const {
        Bytes bytes;
        bytes.Kuid(user, content, version).Str(name).Str("").Str(keywords);
        for (int i = 0; i < 8; ++i) bytes.U8((statusA >> i) & 1);
        for (int i = 0; i < 8; ++i) bytes.U8((statusB >> i) & 1);
        bytes.U8(0).U8(0).U8(0);
        bytes.I32(author).PStr("").Str("").I32(-1).PStr("").Str(categoryClass);
        bytes.U8(0).U8(0).U8(0).I32(255).F32(build).I64(0).I64(0).NullKuid().U8(found);
        return bytes;
    }
};

struct Frame {
    int32_t op = 0;
    int32_t id = 0;
    std::vector<uint8_t> payload;
};

// One log line the daemon sends for a request before its reply.
struct LogLine {
    int32_t severity = 3;
    std::string text;
};

// A one-way message gets no reply; only dropLink applies to it.
struct Answer {
    std::vector<uint8_t> body;
    std::vector<LogLine> lines;
    // Close the link instead of replying.
    bool dropLink = false;
};

using Responder = std::function<Answer(const Frame&)>;

class CommandTestDaemon {
public:
    CommandTestDaemon() : m_fake([this](int fd, int) { Serve(fd); }) {}

    // Answers every request of `op` from now on.
    void On(int32_t op, Responder responder) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_responders[op] = std::move(responder);
    }
    // Answers every request of `op` with the same body.
    void Reply(int32_t op, const std::vector<uint8_t>& body) {
        On(op, [body](const Frame&) { return Answer{body, {}, false}; });
    }
    std::vector<Frame> Frames() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_frames;
    }
    std::vector<Frame> FramesOf(int32_t op) {
        std::vector<Frame> of;
        for (const Frame& frame : Frames())
            if (frame.op == op) of.push_back(frame);
        return of;
    }
    // Waits (a few seconds at most) until `count` frames of `op` have come:
    // a one-way message may still be on its way when the command returns.
    bool WaitForFrames(int32_t op, std::size_t count) {
        return VorlexTest::WaitUntil([&] { return FramesOf(op).size() >= count; }, 5000);
    }
    std::vector<int32_t> Ops() {
        std::vector<int32_t> ops;
        for (const Frame& frame : Frames()) ops.push_back(frame.op);
        return ops;
    }
    void Stop() { m_fake.Stop(); }

private:
    static bool ReadWord(int fd, int32_t& value) {
        uint8_t bytes[4];
        if (!VorlexTest::RecvAll(fd, bytes, 4)) return false;
        value = static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24);
        return true;
    }

    void Serve(int fd) {
        std::vector<uint8_t> hello;
        if (!VorlexTest::ReadHello(fd, hello) || !VorlexTest::AnswerHello(fd)) return;
        for (;;) {
            Frame frame;
            int32_t length = 0;
            if (!ReadWord(fd, frame.op) || frame.op == 1) return;  // goodbye
            if (!ReadWord(fd, frame.id) || !ReadWord(fd, length) || length < 0) return;
            frame.payload.resize(static_cast<std::size_t>(length));
            if (length > 0 && !VorlexTest::RecvAll(fd, frame.payload.data(), frame.payload.size())) return;
            Responder responder;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_frames.push_back(frame);
                auto found = m_responders.find(frame.op);
                if (found != m_responders.end()) responder = found->second;
            }
            const Answer answer = responder ? responder(frame) : Answer{};
            if (answer.dropLink) return;
            if (frame.id == 0) continue;  // one-way: no reply
            Bytes out;
            if (!answer.lines.empty()) {
                Bytes notice;
                notice.I32(frame.id).I32(0).I32(static_cast<int32_t>(answer.lines.size()));
                for (const LogLine& line : answer.lines) notice.I32(line.severity).Str(line.text).I32(0);
                out.Tag("note").I32(3).I32(static_cast<int32_t>(notice.Get().size())).Raw(notice);
            }
            out.Tag("repl").I32(frame.id).I32(static_cast<int32_t>(answer.body.size())).Raw(answer.body);
            if (!VorlexTest::SendBytes(fd, out)) return;
        }
    }

    std::mutex m_lock;
    std::map<int32_t, Responder> m_responders;
    std::vector<Frame> m_frames;
    VorlexTest::FakeDaemon m_fake;
};

// What one command line gave.
struct Outcome {
    int32_t result = 0;
    std::string out;  // standard output
    std::string log;  // the printed result log
};

// The program's interface texts, from the source tree.
inline std::string SourceInterfaceTexts() {
    return SourceTreePath("data/Data/InterfaceText.txt");
}

class CommandFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_dir / "Data");
        std::filesystem::copy_file(SourceInterfaceTexts(), m_dir / "Data/InterfaceText.txt");
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1);
        ::setenv("VORLEX_OPEN_RETRY_MS", "20", 1);
        ::mkdir((m_dir / "bin").c_str(), 0755);
        Vek::File::Path root(m_dir.Path());
        root.ToLower();
        root.Normalise();
        ASSERT_TRUE(SetInstallationPath(root.c_str()));
        InitializeAssetFolders();
        InitializeNetwork();
        Vek::Log::Init(("-LogFile=" + (m_dir / "log.txt")).c_str());
        m_daemon = std::make_unique<CommandTestDaemon>();
        VADOpenDatabaseArgs args;
        args.reconnect = 0;
        ASSERT_TRUE(VADOpenDatabase(args));
    }
    void TearDown() override {
        VADCloseDatabase();
        m_daemon.reset();
        ReleaseAssetFolderDatabases();
        PurgeResourceDatabaseCache();
        Vek::Log::Shutdown();
        SetInstallationFolders(nullptr);
    }

    // Runs "VorlexUtil <arguments>" through the dispatcher, with `startup`
    // as the directory the user started from.
    Outcome Command(const std::vector<std::string>& arguments, const std::string& startup = std::string()) {
        std::vector<std::string> texts = {"VorlexUtil"};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts) argv.push_back(text.data());
        argv.push_back(nullptr);
        ResultsLog log;
        StartupContext context;
        Outcome run;
        ::testing::internal::CaptureStdout();
        run.result = DispatchCommandFrom(startup, log, context, static_cast<int>(texts.size()), argv.data());
        std::fflush(stdout);
        run.out = ::testing::internal::GetCapturedStdout();
        char* text = nullptr;
        std::size_t size = 0;
        FILE* memory = ::open_memstream(&text, &size);
        PrintResultsLog(log, memory);
        std::fclose(memory);
        run.log.assign(text, size);
        std::free(text);
        return run;
    }

    CommandTestDaemon& Daemon() { return *m_daemon; }
    // The OS path of a file or folder below the user data folder.
    std::string UserData(const std::string& below) const { return m_dir / ("UserData/" + below); }

    VorlexTest::TempDir m_dir;
    std::unique_ptr<CommandTestDaemon> m_daemon;
};

// A printed log of one error without property, and the summary.
inline std::string OneError(const std::string& text) {
    return "- <NULL> : " + text + "\nOK (1 Errors, 0 Warnings)\n";
}
inline const std::string kNoEntries = "OK (0 Errors, 0 Warnings)\n";

}  // namespace CommandTest
