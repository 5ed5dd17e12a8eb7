#include "assetdb/client/VADQuestionThread.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADPromptHandler.h"
#include "assetdb/client/VADSendRequest.h"
#include "assetdb/requests/VADOperations.h"
#include "engine/Thread.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"

namespace {

constexpr int32_t kAnswerRequestGone = 4;
constexpr int32_t kAnswerNoPromptHandler = 2;

struct Question {
    int32_t transactionId = 0;
    Vek::PString text;
    KUID asset;
    std::unique_ptr<Vek::Thread> thread;
    std::atomic<bool> finished{false};
};

struct QuestionThreads {
    std::mutex lock;
    std::list<std::unique_ptr<Question>> questions;
};

QuestionThreads& Threads() {
    static QuestionThreads* threads = new QuestionThreads();
    return *threads;
}

uint32_t QuestionThreadProc(void* argument) {
    Question* question = static_cast<Question*>(argument);
    const int32_t answer = AnswerVADQuestion(question->transactionId, question->text, question->asset);
    TBuffer payload;
    payload.WriteInt32(question->transactionId);
    payload.WriteInt32(answer);
    payload.Rewind();
    VADPostMessage(kVADOpQuestionAnswer, payload);
    question->finished = true;
    return 0;
}

// Takes the finished questions out of the list (the caller frees them
// outside the lock, which joins their threads).
std::list<std::unique_ptr<Question>> TakeFinished(QuestionThreads& threads, bool all) {
    std::list<std::unique_ptr<Question>> taken;
    std::lock_guard<std::mutex> hold(threads.lock);
    for (auto it = threads.questions.begin(); it != threads.questions.end();) {
        if (all || (*it)->finished) {
            auto next = std::next(it);
            taken.splice(taken.end(), threads.questions, it);
            it = next;
        } else {
            ++it;
        }
    }
    return taken;
}

}  // namespace

int32_t AnswerVADQuestion(int32_t transactionId, const Vek::PString& question, const KUID& asset) {
    VADClientTransaction* transaction = VADClientTransaction::AcquireForQuestion(transactionId);
    if (!transaction) return kAnswerRequestGone;
    int32_t answer = kAnswerNoPromptHandler;
    if (VADPromptHandler* handler = transaction->PromptHandler()) {
        Vek::String message;
        answer = handler->Answer(Vek::String(question.c_str()), message, asset, nullptr);
    }
    transaction->ReleaseQuestionHold();
    return answer;
}

void StartVADQuestionThread(int32_t transactionId, const Vek::PString& question, const KUID& asset) {
    QuestionThreads& threads = Threads();
    TakeFinished(threads, false);  // freed here: those threads have ended or are ending

    auto record = std::make_unique<Question>();
    record->transactionId = transactionId;
    record->text = question;
    record->asset = asset;
    record->thread = std::make_unique<Vek::Thread>(QuestionThreadProc, record.get());
    std::lock_guard<std::mutex> hold(threads.lock);
    record->thread->Resume();
    threads.questions.push_back(std::move(record));
}

void WaitForVADQuestionThreads() { TakeFinished(Threads(), true); }
