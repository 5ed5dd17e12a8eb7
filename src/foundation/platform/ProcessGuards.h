#pragma once
// The command host's process guards: the crash report for crashes outside
// guarded calls, the exit guard, and the console events. Ordinary commands
// install none of this.
//
// Console events are signals here: SIGINT stands for Ctrl+C (event type 0),
// SIGHUP for the console window closing (type 2) and SIGTERM for shut-down
// (type 6). The signal handler only wakes a thread of ours, which runs
// ConsoleCtrlHandler, so a held-back event never blocks the thread that the
// signal interrupted.

// Arms the guards: stores whether exit is allowed, arms the exit guard (a
// report is written when the process exits while it is armed), makes
// crashes outside guarded calls write the report, and takes over SIGINT,
// SIGTERM and SIGHUP. The command host calls it with exit not allowed.
void InstallCrashHandlers(bool exitAllowed);

// Disarms the exit guard and allows exit; a held-back close or shut-down
// event then ends the process by its signal.
void AllowProcessExit();

// True once a console event arrived while exit was not allowed.
bool IsExitRequested();

// Linux terminals have no close item to remove; kept for the command host's
// sequence and does nothing.
void DisableConsoleCloseButton();

// The console event handling for one event type (0 Ctrl+C, 1 Ctrl+Break,
// 2 close, 5 log-off, 6 shut-down). Logs the event. When exit is allowed it
// disarms the exit guard and returns false (the event's default action
// follows). Otherwise it sets the exit request and, for the types above 1,
// blocks until exit is allowed; it returns true (the event was handled).
bool ConsoleCtrlHandler(int ctrlType);
