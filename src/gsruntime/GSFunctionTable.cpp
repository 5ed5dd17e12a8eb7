#include "gsruntime/GSFunctionTable.h"

#include "gsruntime/GSCallSiteMemory.h"

namespace GSRuntime {

uint32_t GSFunctionTable::Add(GSFunction* function) {
    if (!function || m_functions.size() > UINT32_MAX - 1) return 0;
    m_functions.push_back(function);
    m_live += 1;
    return static_cast<uint32_t>(m_functions.size() - 1);
}

void GSFunctionTable::Remove(uint32_t index) {
    if (index == 0 || index >= m_functions.size() || !m_functions[index]) return;
    m_functions[index] = nullptr;
    m_live -= 1;
    GSForgetCallSites();
}

}  // namespace GSRuntime
