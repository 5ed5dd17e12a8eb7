#pragma once
// The object that answers the daemon's questions for one request (an
// install that finds an asset already there, for instance). A requester
// passes one to VADSendRequest; the daemon's question notices for that
// request are answered through it on a question thread of their own.
#include <cstdint>

#include "engine/AnsiString.h"

class KUID;
class ResultsLog;

class VADPromptHandler {
public:
    virtual ~VADPromptHandler() = default;
    // The answer to one question about `asset`. `message` may be filled with
    // a text for the caller's log; `log` is the log to report to, or null.
    virtual int32_t Answer(const Vek::String& question, Vek::String& message, const KUID& asset,
                           ResultsLog* log) = 0;
};
