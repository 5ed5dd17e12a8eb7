#include "assetdb/tasks/VADTaskRepairDatabase.h"

#include <atomic>

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "assetdb/tasks/VADTask.h"
#include "engine/Time.h"
#include "foundation/interfacetext/InterfaceTextDB.h"

namespace {

constexpr uint32_t kFirstPollDelayMs = 1000;
constexpr uint32_t kPollDelayMs = 250;

std::atomic<VADTaskRepairDatabase*> g_registered{nullptr};

struct RepairProgress {
    uint8_t running = 0;
    float progress = 0.0f;
    Vek::String status;
};

// Operation 4; a failed request reads as not running.
RepairProgress AskProgress() {
    RepairProgress answer;
    VADRequestBuffers buffers;
    if (buffers.Send(kVADOpRepairProgress)) {
        buffers.reply.ReadByte(answer.running);
        buffers.reply.ReadFloat(answer.progress);
        buffers.reply.ReadString(answer.status);
    }
    return answer;
}

}  // namespace

VADTaskRepairDatabase::VADTaskRepairDatabase(int32_t mode, VADTask* log) : m_mode(mode), m_log(log) {
    VADTaskRepairDatabase* none = nullptr;
    g_registered.compare_exchange_strong(none, this);
}

VADTaskRepairDatabase::~VADTaskRepairDatabase() {
    RequestStop();
    WaitForEnd();
    VADTaskRepairDatabase* self = this;
    g_registered.compare_exchange_strong(self, nullptr);
}

void VADTaskRepairDatabase::Run() {
    VADTask* observer = Observer();
    m_started = false;
    if (g_registered.load() != this) {
        if (observer) observer->OnStatusText(GetLocalisedText("$vadtask_repair_err_duplicate"));
        return;
    }

    VADRequestBuffers start;
    start.request.WriteInt32(m_mode);
    m_started = start.Send(kVADOpRepairStart, m_log ? m_log : observer, nullptr, true);

    Vek::Time::Delay(kFirstPollDelayMs);
    for (RepairProgress answer = AskProgress(); answer.running; answer = AskProgress()) {
        if (observer) {
            observer->OnStatusText(answer.status);
            observer->OnProgress(answer.progress);
        }
        Vek::Time::Delay(kPollDelayMs);
        if ((observer && observer->IsCancelRequested()) || StopRequested()) break;
    }

    VADTaskRepairDatabase* self = this;
    g_registered.compare_exchange_strong(self, nullptr);
}

bool IsRepairRunning() { return g_registered.load() != nullptr; }
