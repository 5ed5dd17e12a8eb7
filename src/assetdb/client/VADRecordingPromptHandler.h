#pragma once
// A prompt handler that reports what its decisions did. A subclass makes
// the decision; this class records it:
//  - answers 0 and 1 (skip) add a warning to the given log with the given
//    message, whose "$(ASSET_NAME)" is the asset's display name (or its KUID
//    text when the daemon has none) and "$(ACTION)" the interface text of
//    "$vad_prompt_skipped";
//  - answers 2 and 3 (overwrite) do the same with "$vad_prompt_overwritten";
//  - answer 4 sets the cancelled flag, which stays set.
// Every answer is remembered under its question text.
#include <map>
#include <mutex>
#include <string>

#include "assetdb/client/VADPromptHandler.h"

class VADRecordingPromptHandler : public VADPromptHandler {
public:
    int32_t Answer(const Vek::String& question, Vek::String& message, const KUID& asset, ResultsLog* log) override;

    bool IsCancelled() const;
    // The last answer given to the question; false when none was.
    bool RememberedAnswer(const Vek::String& question, int32_t& answer) const;

protected:
    // The decision for one question.
    virtual int32_t Decide(const Vek::String& question, const KUID& asset) = 0;

private:
    mutable std::mutex m_lock;
    std::map<std::string, int32_t> m_answers;
    bool m_cancelled = false;
};
