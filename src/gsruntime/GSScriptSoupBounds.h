#pragma once
// The bounds on soups that scripts make and walk.
//
// Walks: every native that walks a script's soup whole (a deep copy, the
// text form, the log, an online or offline message, local data) measures
// the soup first (MeasureSoupWithin) and refuses, with a script exception
// and before any work, a soup whose walk would visit more than
// kScriptSoupMaxNodes nodes or write more than kScriptSoupMaxBytes bytes.
// A sub-soup stored in several places counts once per place, as the walks
// visit it, so a soup that shares its sub-soups level after level (2^d
// nodes behind d levels) is refused early instead of walked.
//
// Memory: soups that natives make for a script are charged to the script
// memory budget and to the account of the script's context while a
// charge scope is open (GSScriptSoupCharge); a native first asks for room
// and refuses with a script exception when there is none.
#include <cstdint>

#include "foundation/soups/SoupMemoryCharge.h"
#include "foundation/soups/SoupWalkLimit.h"
#include "gsruntime/GSString.h"

namespace GSRuntime {

class GSContext;

// 2^20 nodes: a thousand times the tags of a large asset configuration.
inline constexpr uint64_t kScriptSoupMaxNodes = uint64_t(1) << 20;
// 16 MiB: a script string's own limit, so that a soup's text form always
// fits a string.
inline constexpr uint64_t kScriptSoupMaxBytes = static_cast<uint64_t>(GSString::kMaxLength);
// What the room asked for a node made by a copy counts: the node, its pair
// in the parent and their share of the allocator's rounding.
inline constexpr uint64_t kScriptSoupNodeRoom = 128;

inline SoupWalkLimit ScriptSoupWalkLimit() { return SoupWalkLimit{kScriptSoupMaxNodes, kScriptSoupMaxBytes}; }

// True when the soup's walk stays within the limit (its cost in `cost`
// when given); otherwise raises "<what>> soup too large to walk: more than
// 1048576 nodes or 16777216 bytes (a shared sub-soup counts once per place
// it is stored in)" on the running thread, false.
bool ScriptSoupWithinLimit(const SoupHandle& soup, const char* what, SoupWalkCost* cost = nullptr);

// Raises the refusal of a walk past the limit, for walks that count as they
// go (the text writer).
void RaiseScriptSoupTooLarge(const char* what);

// True when the budget (the process's and the context's) has room for
// `bytes`; otherwise raises "<what>> script memory limit reached", false.
bool ScriptSoupRoom(GSContext* context, uint64_t bytes, const char* what);

// While it lives, soup memory made on this thread is charged to the
// context's account (and the process).
class GSScriptSoupCharge {
public:
    explicit GSScriptSoupCharge(GSContext* context);

private:
    SoupChargeScope m_scope;
};

}  // namespace GSRuntime
