#include "assetdb/client/VADNotifications.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADQuestionThread.h"
#include "assetdb/client/VADSendRequest.h"
#include "assetdb/requests/VADOperations.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/TCXCallbackCIntPtr.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"

namespace {

struct Notice {
    int32_t type = 0;
    TBuffer payload;
};

struct NoticeQueue {
    std::mutex lock;
    std::deque<std::unique_ptr<Notice>> notices;
};

NoticeQueue& Queue() {
    // Never destroyed: posted calls may run while the process exits.
    static NoticeQueue* queue = new NoticeQueue();
    return *queue;
}

std::atomic<VADCommandHostJobHandler> g_jobHandler{nullptr};

// The main-thread call posted for each queued notice.
int32_t RunQueuedNotice(CallArgument) {
    std::unique_ptr<Notice> notice;
    {
        NoticeQueue& queue = Queue();
        std::lock_guard<std::mutex> hold(queue.lock);
        if (queue.notices.empty()) return 0;
        notice = std::move(queue.notices.front());
        queue.notices.pop_front();
    }
    DispatchVADNotification(notice->payload, notice->type);
    return 0;
}

void AnswerCommandHostJob(VADCommandHostJobHandler handler, TStream& notice) {
    TBuffer output;
    handler(notice, output);
    output.Rewind();
    VADPostMessage(kVADOpCommandHostJobReply, output);
}

// Main thread only. A job that waits for work on other threads runs the
// queued main-thread calls meanwhile, which may hold the next job's notice.
// The replies carry no id (the daemon pairs them with its jobs by order), so
// a job that comes while another runs is held and answered after it.
bool g_jobRunning = false;
std::deque<std::unique_ptr<TBuffer>> g_heldJobs;

void RunCommandHostJob(TStream& notice) {
    VADCommandHostJobHandler handler = g_jobHandler.load();
    if (!handler) return;
    if (g_jobRunning) {
        auto held = std::make_unique<TBuffer>();
        const int32_t left = notice.Length() - notice.Tell();
        if (left > 0) {
            std::vector<uint8_t> bytes(static_cast<std::size_t>(left));
            if (notice.Read(bytes.data(), left) != left) return;
            held->Write(bytes.data(), left);
        }
        held->Rewind();
        g_heldJobs.push_back(std::move(held));
        return;
    }
    g_jobRunning = true;
    AnswerCommandHostJob(handler, notice);
    while (!g_heldJobs.empty()) {
        std::unique_ptr<TBuffer> next = std::move(g_heldJobs.front());
        g_heldJobs.pop_front();
        AnswerCommandHostJob(handler, *next);
    }
    g_jobRunning = false;
}

}  // namespace

bool ReadVADNotification(int32_t type, const uint8_t* payload, int32_t length) {
    auto notice = std::make_unique<Notice>();
    notice->type = type;
    if (length > 0 && notice->payload.Write(payload, length) != length) return false;
    notice->payload.Rewind();

    if (notice->type == kVADNoticeLogLines || notice->type == kVADNoticeUrlStatus) {
        DispatchVADNotification(notice->payload, notice->type);
        return true;
    }
    {
        NoticeQueue& queue = Queue();
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.notices.push_back(std::move(notice));
    }
    CallDispatcher::Instance().DispatchCall(0, CallFlagMainThread | CallFlagNoWait,
                                            MakeFunctionCallback(RunQueuedNotice));
    return true;
}

void DispatchVADNotification(TStream& notice, int32_t type) {
    switch (type) {
        case kVADNoticeStatus: {
            int32_t value = 0;
            notice.ReadInt32(value);
            if (auto callback = VADGetOpenArgs().statusCallback) callback(value);
            break;
        }
        case kVADNoticeCommandHostJob:
            RunCommandHostJob(notice);
            break;
        case kVADNoticeQuestion: {
            int32_t id = 0;
            Vek::PString question;
            KUID asset;
            notice.ReadInt32(id);
            notice.ReadPString(question);
            notice.ReadKUID(asset);
            StartVADQuestionThread(id, question, asset);
            break;
        }
        case kVADNoticeLogLines: {
            int32_t id = 0;
            notice.ReadInt32(id);
            AppendVADTransactionLogLines(id, notice);
            break;
        }
        case kVADNoticeUrlStatus: {
            int64_t handle = 0;
            if (!VADUrlRequestNoticesAccepted()) break;
            notice.ReadInt64(handle);
            OnUrlRequestStatusNotice(handle, notice);
            break;
        }
        default:
            break;
    }
}

void DropQueuedVADNotifications() {
    NoticeQueue& queue = Queue();
    std::deque<std::unique_ptr<Notice>> dropped;
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        dropped.swap(queue.notices);
    }
}

std::size_t VADQueuedNotificationCount() {
    NoticeQueue& queue = Queue();
    std::lock_guard<std::mutex> hold(queue.lock);
    return queue.notices.size();
}

void SetVADCommandHostJobHandler(VADCommandHostJobHandler handler) { g_jobHandler = handler; }
