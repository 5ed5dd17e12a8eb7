#pragma once
// The daemon asks the client a question about a request (notice type 2);
// each question is answered on a short-lived thread of its own, so the main
// thread that received it goes on. The answer goes back as one-way
// operation 150: int32 transaction id, int32 answer.
//
// Answers: 4 when no request is registered under the id (it has finished);
// 2 when the request has no prompt handler; otherwise the prompt handler's
// answer to the question text, an empty message, the asset and no log.
#include <cstdint>

#include "engine/PString.h"

class KUID;

// Starts the question thread at once; it is not waited for here.
void StartVADQuestionThread(int32_t transactionId, const Vek::PString& question, const KUID& asset);

// Waits until every question thread has ended and frees them (close of the
// database, tests).
void WaitForVADQuestionThreads();

// The answer of the question thread, computed on the calling thread.
int32_t AnswerVADQuestion(int32_t transactionId, const Vek::PString& question, const KUID& asset);
