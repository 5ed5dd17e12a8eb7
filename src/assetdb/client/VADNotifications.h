#pragma once
// The daemon's notices: 'note' frames that arrive between replies.
//
// Log-line (3) and URL-request status (4) notices are handled at once on the
// reader thread. Every other notice is queued and handled on the main
// thread: one dispatcher call (main thread, not waited for, context 0) is
// posted per queued notice, and it handles the oldest one.
//
// Payloads (integers little-endian):
//   0 status            int32 value
//   1 command-host job  the job, read by the job handler
//   2 question          int32 transaction id; interned string question; KUID
//   3 log lines         int32 transaction id; a result-log entry block
//   4 URL status        int64 request handle; a URL-request status
#include <cstddef>
#include <cstdint>

class TStream;

enum VADNoticeType : int32_t {
    kVADNoticeStatus = 0,
    kVADNoticeCommandHostJob = 1,
    kVADNoticeQuestion = 2,
    kVADNoticeLogLines = 3,
    kVADNoticeUrlStatus = 4,
};

// Reader thread, with a whole 'note' frame: hands the notice of `type` with
// its `length` payload bytes on. False when the payload cannot be kept (the
// reader then ends the link).
bool ReadVADNotification(int32_t type, const uint8_t* payload, int32_t length);

// Handles one notice whose payload is `notice` (at its start):
//  0: calls the status callback of the open parameters with the value;
//  1: with a job handler installed, runs it with the notice and an output
//     stream and sends the output as one-way operation 141;
//  2: starts a question thread (VADQuestionThread.h);
//  3: reads the entry block into the log registered for the id;
//  4: hands the handle and the status to the URL-request registry;
//  any other type: nothing.
void DispatchVADNotification(TStream& notice, int32_t type);

// Drops every queued notice; the dispatcher calls already posted for them
// then find the queue empty and do nothing.
void DropQueuedVADNotifications();
std::size_t VADQueuedNotificationCount();

// The command host's job handler: reads one job from `notice` and writes
// its reply into `output`. Null: job notices are dropped.
using VADCommandHostJobHandler = void (*)(TStream& notice, TStream& output);
void SetVADCommandHostJobHandler(VADCommandHostJobHandler handler);
