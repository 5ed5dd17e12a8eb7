#include "assetdb/tasks/VADTask.h"

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/tasks/VADTaskThread.h"

VADTask::~VADTask() {
    VADForgetTransactionLog(this);
    if (VADTaskThread* thread = m_runningThread) {
        m_cancelRequested = true;
        thread->WaitForEnd();
        m_runningThread = nullptr;
        delete thread;
    }
}

void VADTask::OnProgress(float) {}

void VADTask::OnStatusText(const Vek::String&) {}

void VADTask::OnFinished() {}
