#pragma once
// The interpreter's process-wide bookkeeping of GSThread::Execute: the
// nesting depth of runs (a native calling a script function, class
// initialisation, message handlers: each a run nested in the one that is
// running) and the byte count of the execution budget.
//
// The budget: an outermost Execute starts the count at 0; every run nested
// in it adds to the same count. A taken jump, a switch, a script call, a
// base call and a return into a calling frame add the bytes of the
// straight-line run that they end (its start up to and including their
// opcode byte), and raise ER_Timeout instead of transferring when the count
// then exceeds kGSExecutionBudget (16,777,216). Every end of a run adds the
// bytes of its last run up to the program counter. So a loop is stopped
// only at a transfer, and a straight run of code is never cut.
#include <cstdint>

#include "gsruntime/interpreter/GSRunState.h"

namespace GSRuntime {

// Runs of Execute in progress (0 outside the interpreter).
int32_t GSExecutionDepth();
// The byte count of the current (or last) outermost run.
uint64_t GSExecutedBytes();

}  // namespace GSRuntime
