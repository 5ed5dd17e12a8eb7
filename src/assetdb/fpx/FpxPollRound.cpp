#include "assetdb/fpx/FpxPollRound.h"

#include <chrono>
#include <thread>

#include "assetdb/client/VADConnection.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"

void RunFpxPollRound(bool clientPoll) {
    if (!IsMainThread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kFpxPollRoundMs));
        return;
    }
    WaitForMainThreadWake(kFpxPollRoundMs);
    CallDispatcher::Instance().PumpMainThread();
    if (clientPoll) VADClientPoll();
}
