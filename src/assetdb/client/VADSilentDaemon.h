#pragma once
// The belief that the daemon has stopped answering: a request waited the
// whole inactivity bound for its reply, or a new link's hello went
// unanswered for it. While the belief holds, requests fail at once with the
// same cause and no new link is made, so a word that asks many things of a
// silent daemon waits one bound, not one per request. Any frame from the
// daemon ends the belief, and so does the start of the next word (each word
// gives the daemon one bound again).
//
// Process-wide, under a lock.
#include <string>

// The daemon is silent; `cause` is the message that says so (the first
// cause is kept until the belief ends).
void VADNoteSilentDaemon(const std::string& cause);
// Ends the belief.
void VADClearSilentDaemon();
bool VADDaemonIsSilent();
// The message of the give-up, empty while the daemon is not held silent.
std::string VADSilentDaemonCause();

// The message of a hello whose answer did not come within the inactivity
// bound.
std::string VADHelloUnansweredMessage();
