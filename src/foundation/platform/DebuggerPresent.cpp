#include "foundation/platform/DebuggerPresent.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool IsDebuggerPresent() {
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (!status) return false;
    char line[256];
    bool traced = false;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "TracerPid:", 10) == 0) {
            traced = std::strtol(line + 10, nullptr, 10) != 0;
            break;
        }
    }
    std::fclose(status);
    return traced;
}
