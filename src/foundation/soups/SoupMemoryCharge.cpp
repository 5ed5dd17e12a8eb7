#include "foundation/soups/SoupMemoryCharge.h"

#include <algorithm>

namespace {

thread_local SoupChargeAccount* t_current = nullptr;

}  // namespace

void SoupCharge::Add(uint64_t bytes) {
    if (!m_account) {
        m_account = t_current;
        if (!m_account) return;
        m_account->AddChargeReference();
    }
    m_account->ForceCharge(bytes);
    m_bytes += bytes;
}

void SoupCharge::Sub(uint64_t bytes) {
    bytes = std::min(bytes, m_bytes);
    if (!m_account || bytes == 0) return;
    m_account->GiveCharge(bytes);
    m_bytes -= bytes;
}

void SoupCharge::Clear() {
    if (!m_account) return;
    if (m_bytes) m_account->GiveCharge(m_bytes);
    m_bytes = 0;
    SoupChargeAccount* account = m_account;
    m_account = nullptr;
    account->ReleaseChargeReference();
}

SoupChargeScope::SoupChargeScope(SoupChargeAccount* account) : m_previous(t_current) { t_current = account; }

SoupChargeScope::~SoupChargeScope() { t_current = m_previous; }

SoupChargeAccount* SoupChargeScope::Current() { return t_current; }
