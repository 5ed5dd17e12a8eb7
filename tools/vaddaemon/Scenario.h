#pragma once
// The script of the stand-in daemon for tests: a text soup, all keys
// optional.
//
//   refuse-attach 1        after publishing its port, set the rendezvous
//                          block's refuse flag (clients' attaches fail)
//   hello-tag "XXXX"       answer the hello with this tag instead of VADD
//   drop-hello 1           close a link after its hello without answering
//   repair-step-ms 200     the repair waits this long after each item it
//                          checks (default 0), so that it can be watched
//   read-only-store 1      the store refuses every write once it is open
//                          (SQLite's query-only mode), as a full disk or a
//                          write-protected file would
//   urls                   what URL requests fetch (UrlRequests.h): the
//   {                      URL as the client sends it, the local file the
//     0                    request gives, and the location the file lies
//     {                    in (absent: none, the file is a plain path)
//       url "https://host/page.php?x=1"
//       file "/tmp/reply.txt"
//       location ""
//       code 0             (optional: the result code, 200 by default)
//     }
//   }
//   jobs                   command-host jobs (notice type 1), sent in
//   {                      order to the link that registers as the command
//     0                    host (one-way 140), each after its delay; the
//     {                    payload is the job id and its fields, as the
//       delay-ms 100       items below. Each one-way reply 141 is written
//       payload { 0 "int32 0"  1 "pstring local"  2 "pstring kuid 3 100" }
//     }                    to the transcript as "job reply N payload=HEX"
//   }                      (N counting the link's replies from 0)
//   users                  user names the store learns when it opens, by
//   {                      user id (operation 90 and the authors of asset
//     3 "Alice"            records answer with them)
//   }
//   rules
//   {
//     0                    rules are tried in order; the first that matches
//     {                    a frame and has uses left applies
//       op 2               the operation it matches (-1 or absent: any)
//       times 1            how many frames it applies to (absent: all)
//       delay-ms 500       wait before answering (0 to 60000; any
//                          other value: no wait)
//       notices            notices sent before the answer, in order
//       {
//         0 { type 3  payload { 0 "tid"  1 "int32 5" } }
//       }
//       question           a question (notice type 2) sent before the
//       {                  answer; the daemon waits at most timeout-ms
//         text "Replace?"  (0 to 60000; absent or any other value: 5000)
//         kuid "<kuid:1:2>" for the one-way answer 150 of this transaction
//         timeout-ms 2000
//       }
//       reply { 0 "int32 1"  1 "string done" }     the reply body, in
//                          place of the daemon's own answer (without
//                          "reply" the body is empty)
//       action "reply"     "reply" (default: the rule's reply),
//                          "carry" (the daemon carries the operation out
//                          and answers as it would without the rule, after
//                          the rule's delay, notices and question),
//                          "drop-reply" (no reply, the link stays),
//                          "drop-link" (close the link instead of
//                          replying), "exit" (the daemon ends at once, as
//                          if killed), "keep-running" (for operation 270:
//                          reply and go on)
//     }
//   }
//
// Payload items, written in order: "tid" (the frame's transaction id),
// "int32 N", "int64 N", "byte N", "float F", "string TEXT" (plain form),
// "pstring TEXT" (interned form), "kuid <kuid2:U:C:V>", "hex 0a0b...".
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "vaddaemon/UrlRequests.h"

struct ScenarioNotice {
    int32_t type = 0;
    std::vector<std::string> payload;
};

struct ScenarioJob {
    uint32_t delayMs = 0;
    std::vector<std::string> payload;
};

struct ScenarioRule {
    enum Action { kReply, kCarry, kDropReply, kDropLink, kExit, kKeepRunning };

    int32_t op = -1;
    int32_t times = 0;  // 0: every matching frame
    uint32_t delayMs = 0;
    std::vector<ScenarioNotice> notices;
    bool hasQuestion = false;
    std::string questionText;
    KUID questionAsset;
    uint32_t questionTimeoutMs = 5000;
    std::vector<std::string> reply;
    Action action = kReply;
};

class Scenario {
public:
    // Reads the file; false (with `error`) when it cannot be read or a
    // rule names an unknown action.
    bool Load(const std::string& path, std::string& error);

    bool refuseAttach = false;
    bool dropHello = false;
    bool readOnlyStore = false;
    uint32_t repairStepMs = 0;
    std::string helloTag = "VADD";
    std::vector<std::pair<int32_t, std::string>> users;
    std::vector<UrlMapping> urls;
    std::vector<ScenarioJob> jobs;
    std::vector<ScenarioRule> rules;

    // A copy of the first rule for `op` with uses left (one use is taken);
    // false when none applies.
    bool Match(int32_t op, ScenarioRule& rule);

private:
    std::mutex m_lock;
    std::vector<int32_t> m_used;
};

// Builds a payload from items; `transactionId` stands for "tid". False with
// `error` for an item it does not know.
bool BuildPayload(const std::vector<std::string>& items, int32_t transactionId, std::vector<uint8_t>& out,
                  std::string& error);
