#include "gsruntime/GSConstantStrings.h"

#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"

namespace GSRuntime {

GSConstantStrings::GSConstantStrings(uint32_t count)
    : m_count(count), m_memos(new GSTypeIdMemo[count]()), m_strings(new GSString*[count]()) {
    m_next = s_first;
    if (m_next) m_next->m_previous = this;
    s_first = this;
}

GSConstantStrings::~GSConstantStrings() {
    ReleaseStrings();
    if (m_previous) m_previous->m_next = m_next;
    if (m_next) m_next->m_previous = m_previous;
    if (s_first == this) s_first = m_next;
}

void GSConstantStrings::ReleaseAllStrings() {
    for (GSConstantStrings* table = s_first; table; table = table->m_next) table->ReleaseStrings();
}

void GSConstantStrings::ReleaseStrings() {
    for (uint32_t i = 0; i < m_count && m_held > 0; ++i) {
        GSString* string = m_strings[i];
        if (!string) continue;
        m_strings[i] = nullptr;
        m_held -= 1;
        string->SetTypeIdMemo(nullptr);
        GSScriptInstance::Release(&string->Header());
    }
}

GSString* GSConstantStrings::Make(uint32_t index, const char* text, std::size_t length) {
    // No context: the object is the library's, not any script's.
    GSString* string = new GSString(nullptr, text, length);
    if (!string) return nullptr;
    string->SetTypeIdMemo(&m_memos[index]);
    m_strings[index] = string;
    m_held += 1;
    return string;
}

}  // namespace GSRuntime
