#include "frontend/RunCommandGuarded.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "foundation/callbacks/CommandGuard.h"
#include "foundation/platform/CrashGuard.h"
#include "frontend/CommandDispatcher.h"

namespace {

bool TestCrashRequested() {
    const char* value = std::getenv("VORLEX_TEST_CRASH");
    return value && std::strcmp(value, "1") == 0;
}

}  // namespace

int32_t RunCommandGuarded(ResultsLog& log, StartupContext& context, int argc, char** argv) {
    SetCommandGuard();
    return RunCrashGuarded([&]() -> int32_t {
        if (TestCrashRequested()) std::raise(SIGSEGV);
        return DispatchCommand(log, context, argc, argv);
    });
}
