#pragma once
// The command guard flag: set by the command loop before the first command
// runs and never cleared. While it is set (and no debugger is attached),
// every call the dispatcher runs is a guarded call, so a crash inside one
// ends the process with -100.

void SetCommandGuard();
bool IsCommandGuardSet();
