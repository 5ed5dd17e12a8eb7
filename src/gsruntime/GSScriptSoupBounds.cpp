#include "gsruntime/GSScriptSoupBounds.h"

#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSThreadServices.h"

namespace GSRuntime {

bool ScriptSoupWithinLimit(const SoupHandle& soup, const char* what, SoupWalkCost* cost) {
    SoupWalkCost measured;
    const bool within = MeasureSoupWithin(soup, ScriptSoupWalkLimit(), measured);
    if (cost) *cost = measured;
    if (!within) RaiseScriptSoupTooLarge(what);
    return within;
}

void RaiseScriptSoupTooLarge(const char* what) {
    GSRaiseScriptException(
        "%s> soup too large to walk: more than %llu nodes or %llu bytes (a shared sub-soup counts once per place "
        "it is stored in)",
        what, static_cast<unsigned long long>(kScriptSoupMaxNodes),
        static_cast<unsigned long long>(kScriptSoupMaxBytes));
}

bool ScriptSoupRoom(GSContext* context, uint64_t bytes, const char* what) {
    if (GSScriptMemoryBudget::Fits(GSScriptMemoryAccount::Of(context), bytes)) return true;
    GSRaiseScriptException("%s> script memory limit reached", what);
    return false;
}

GSScriptSoupCharge::GSScriptSoupCharge(GSContext* context) : m_scope(GSScriptMemoryAccount::Of(context)) {}

}  // namespace GSRuntime
