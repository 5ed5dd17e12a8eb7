#pragma once
// The crash report: a text file of our own in place of a minidump. It names
// the signal, the fault address, the process and thread, and lists the call
// stack. It is written at most once per process, into the current folder,
// as "Vorlex-47059.dmp", or "Vorlex-47059_2.dmp", "_3" and so on when the
// name is taken (taken names are never overwritten).
#include <csignal>

constexpr int kCrashReportBuild = 47059;

// Writes the report for a crash by `signal` (0 for a report made without a
// signal) with the signal's details when `info` is given. `reason`, when
// given, is one extra line. Async-signal-safe. True when this call wrote
// the report; false when one was already written or no file could be
// created.
bool CrashDumpExceptionFilter(int signal, const siginfo_t* info, const char* reason = nullptr);

// Writes the report without a crash (the process goes on).
void ForceCrash(const char* reason);

// True once this process has written its report (or tried to).
bool CrashReportWritten();

// Writes "callstack: " and the frame addresses, then one line per frame
// ("  module function [<unknown>:-1]"), to the log.
void LogCallStack();
