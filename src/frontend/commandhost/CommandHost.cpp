#include "frontend/commandhost/CommandHost.h"

#include <chrono>
#include <thread>

#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADNotifications.h"
#include "assetdb/requests/VADDaemonState.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/platform/ProcessGuards.h"
#include "frontend/commandhost/CommandHostCallback.h"

namespace {

constexpr uint32_t kPassWaitMs = 50;
// The keep-alive goes out on every this many passes.
constexpr uint32_t kKeepAlivePasses = 100;
constexpr uint32_t kShutdownStepMs = 10;

}  // namespace

int32_t VADCommandHost() {
    SetVADCommandHostJobHandler(CommandHostCallback);
    VADRegisterCommandHost();
    InstallCrashHandlers(false);
    DisableConsoleCloseButton();
    LogPrintf("VADCommandHost");

    CallDispatcher& dispatcher = CallDispatcher::Instance();
    uint32_t passes = 0;
    while (VADIsConnected() && !IsExitRequested()) {
        WaitForMainThreadWake(kPassWaitMs);
        if (++passes % kKeepAlivePasses == 0) VADSendKeepAlive();
        dispatcher.PumpMainThread();
        VADClientPoll();
    }

    SetVADCommandHostJobHandler(nullptr);
    // Logged before exit is allowed: a held shut-down event ends the process
    // as soon as it may.
    LogPrintf("VADCommandHost shutting down...");
    AllowProcessExit();

    for (;;) {
        const int32_t pending = dispatcher.RunPendingCall(0);
        if (pending == 0 && !dispatcher.IsBusy()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kShutdownStepMs));
    }
    return 0;
}
