#pragma once
// A test with a temporary installation, networking started, the program
// log in a file and the test's thread recorded as the main thread. The
// database is closed afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "assetdb/client/ClientTestSupport.h"
#include "assetdb/client/VADConnection.h"
#include "engine/Log.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/network/NetworkStart.h"

namespace VorlexTest {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeNetwork();
        Vek::Log::Init(("-LogFile=" + m_log).c_str());
        RecordMainThread();
    }
    void TearDown() override {
        VADCloseDatabase();
        Vek::Log::Shutdown();
    }

    // Opens the database against whatever daemon the test has made.
    static bool Open(uint8_t reconnect = 0) {
        VADOpenDatabaseArgs args;
        args.reconnect = reconnect;
        return VADOpenDatabase(args);
    }
    // Runs the main thread's queued calls until `done`, at most `ms`.
    template <typename Done>
    static bool PumpUntil(Done done, int ms = 10000) {
        for (int waited = 0; waited < ms; waited += 5) {
            CallDispatcher::Instance().PumpMainThread();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }
    // The program log so far (the log is closed to read it).
    std::string LogText() {
        Vek::Log::Shutdown();
        return ReadFile(m_log);
    }

    TestInstallation m_install;
    std::string m_log = m_install / "log.txt";
};

}  // namespace VorlexTest
