#pragma once
// The test switch that stops the daemon between the durable steps of a
// change of folders and records (an install, a delete, a commit, a revert):
// with VADDAEMON_CRASH_AFTER_STEP=N the daemon ends at once (exit status 9,
// nothing tidied) right after its N-th durable step, counted over the whole
// run of the daemon. Each step is one rename of a folder or one committed
// transaction, so a test can stop a change after each of them and check
// what the next start makes of it. Without the switch a step costs nothing.

// Counts one durable step.
void DurableStep();
