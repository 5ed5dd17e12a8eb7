#include "gsruntime/interpreter/GSInterpreterSetup.h"

#include "gsruntime/GSMachine.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSRuntime {

namespace {

GSStack* ThreadStack(GSThread* thread) { return &thread->Stack(); }

void SaveThreadState(GSThread* thread, GSSavedThreadState& saved) { thread->SaveState(saved); }

void RestoreThreadState(GSThread* thread, const GSSavedThreadState& saved) { thread->RestoreState(saved); }

int32_t ExecuteThread(GSThread* thread, float dt) { return thread->Execute(dt); }

void RaiseException(GSThread* thread, const char* text, bool continued) { thread->Exception(text, continued); }

GSThread* NewStaticThread() { return new GSThread(nullptr, GSThread::kStaticFlag); }

void DeleteStaticThread(GSThread* thread) { delete thread; }

}  // namespace

void GSInstallInterpreter() {
    GSThreadServices services;
    services.stack = &ThreadStack;
    services.saveState = &SaveThreadState;
    services.restoreState = &RestoreThreadState;
    services.execute = &ExecuteThread;
    services.exception = &RaiseException;
    GSSetThreadServices(services);
    GSStaticThreadFactory factory;
    factory.create = &NewStaticThread;
    factory.destroy = &DeleteStaticThread;
    GSMachine::SetStaticThreadFactory(factory);
}

}  // namespace GSRuntime
