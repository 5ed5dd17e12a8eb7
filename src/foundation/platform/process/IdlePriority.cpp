#include "foundation/platform/process/IdlePriority.h"

#include <dirent.h>
#include <sys/resource.h>

#include <cstdlib>

namespace {

constexpr int kLowestPriority = 19;

}  // namespace

bool SetIdlePriority() {
    // Linux keeps a nice value per thread: set it on each one.
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks) return ::setpriority(PRIO_PROCESS, 0, kLowestPriority) == 0;
    bool ok = true;
    while (dirent* entry = ::readdir(tasks)) {
        char* end = nullptr;
        long id = std::strtol(entry->d_name, &end, 10);
        if (!end || *end != '\0' || id <= 0) continue;
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(id), kLowestPriority) != 0) ok = false;
    }
    ::closedir(tasks);
    return ok;
}
