#include "foundation/platform/ProcessExit.h"

#include <cstdio>
#include <unistd.h>

void TerminateCurrentProcess(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code & 0xFF);
}
