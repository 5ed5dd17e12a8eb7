#include "assetdb/client/VADRecordingPromptHandler.h"

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/kuid/KUID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"

namespace {

void ReportAction(ResultsLog* log, const Vek::String& message, const KUID& asset, const char* actionTag) {
    if (!log) return;
    Vek::String name = VADGetAssetUsername(asset);
    if (name.IsEmpty()) name = asset.ToTagString().c_str();
    SoupHandle parameters;
    parameters.SetString(Vek::PString("asset_name"), name.c_str());
    parameters.SetString(Vek::PString("action"), GetLocalisedText(actionTag).c_str());
    log->AddEntry(ResultsLogEntry::kWarning, PropertyRef(), message, parameters);
}

}  // namespace

int32_t VADRecordingPromptHandler::Answer(const Vek::String& question, Vek::String& message, const KUID& asset,
                                          ResultsLog* log) {
    const int32_t answer = Decide(question, asset);
    if (answer == 0 || answer == 1)
        ReportAction(log, message, asset, "$vad_prompt_skipped");
    else if (answer == 2 || answer == 3)
        ReportAction(log, message, asset, "$vad_prompt_overwritten");
    std::lock_guard<std::mutex> hold(m_lock);
    if (answer == 4) m_cancelled = true;
    m_answers[question.Std()] = answer;
    return answer;
}

bool VADRecordingPromptHandler::IsCancelled() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_cancelled;
}

bool VADRecordingPromptHandler::RememberedAnswer(const Vek::String& question, int32_t& answer) const {
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_answers.find(question.Std());
    if (it == m_answers.end()) return false;
    answer = it->second;
    return true;
}
