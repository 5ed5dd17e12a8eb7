#pragma once
// The record of daemon requests that failed on the link: the link was lost
// (or could not be made again) before the reply came, the daemon sent
// nothing for the inactivity bound while the request waited, or the reply
// was empty where the request needs one. The request functions deliver
// their failure values as they always do; the command dispatcher turns the
// record of a word's requests into error lines and fails the word, so a
// word never reports success on a request that got no answer.
//
// Each distinct message is kept once (a word that asks for many things
// after the daemon has gone reports it once). Process-wide, under a lock.
#include <cstdint>
#include <string>
#include <vector>

enum class VADRequestFailure {
    kNotSent,     // no link stood and none could be made
    kLinkLost,    // the link ended while the request waited
    kNoReply,     // the daemon sent nothing for the inactivity bound
    kEmptyReply,  // a reply without the body the request needs
};

void VADRecordRequestFailure(int32_t operation, VADRequestFailure failure);
// The message that VADRecordRequestFailure records.
std::string VADRequestFailureMessage(int32_t operation, VADRequestFailure failure);
// A message of the daemon's own, not about one request (log lines it sends
// for transaction 0, such as a database it cannot open); kept the same way.
void VADRecordDaemonMessage(const std::string& text);
// The messages recorded since the last call, in order; the record is empty
// afterwards.
std::vector<std::string> VADTakeRequestFailures();
// Whether messages are recorded that have not been taken yet: a word that
// looks for the reason of a failure does not blame the asset for what the
// link did.
bool VADRequestFailuresRecorded();

// How long a request waits for its reply while the daemon sends nothing:
// the inactivity bound of the download-service waits (VORLEX_INACTIVITY_MS,
// five minutes by default). Every frame the daemon sends starts it again.
uint32_t VADReplyInactivityBoundMs();

// The reader thread saw a frame from the daemon.
void VADNoteLinkActivity();
// When the reader last saw a frame (steady clock, nanoseconds).
int64_t VADLastLinkActivity();
