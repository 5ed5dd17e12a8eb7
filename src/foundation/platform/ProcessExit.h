#pragma once
// Ending the process at once, as the program does after a command: the
// standard streams are flushed and no static destructor or exit handler
// runs. The exit status is the low 8 bits of `code` (-100 gives 156).

[[noreturn]] void TerminateCurrentProcess(int code);
