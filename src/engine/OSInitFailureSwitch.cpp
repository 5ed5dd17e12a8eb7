#include "engine/OSInitFailureSwitch.h"

#include <cstdlib>

namespace Vek {

uint32_t OSInitFailureSwitch::ReadLimit(const char* variable) {
    const char* text = variable ? std::getenv(variable) : nullptr;
    if (!text || !*text) return 0;
    uint64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return 0;
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > UINT32_MAX) value = UINT32_MAX;  // "fail for ever" is as far as it goes
    }
    return static_cast<uint32_t>(value);
}

bool OSInitFailureSwitch::CountAndCheck() {
    const uint32_t limit = ReadLimit(m_variable);
    const uint32_t attempt = m_attempts.fetch_add(1);
    if (attempt == UINT32_MAX) m_attempts.store(UINT32_MAX);  // no wrap back to "first"
    return attempt < limit;
}

OSInitFailureSwitch& OSInitFailureSwitch::OSInit() {
    static OSInitFailureSwitch instance("VEK_FAIL_OS_INIT");
    return instance;
}

OSInitFailureSwitch& OSInitFailureSwitch::RenderInit() {
    static OSInitFailureSwitch instance("VEK_FAIL_RENDER_INIT");
    return instance;
}

}  // namespace Vek
