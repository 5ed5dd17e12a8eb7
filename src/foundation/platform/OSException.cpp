#include "foundation/platform/OSException.h"

const char* OSException::what() const noexcept {
    try {
        return Format().c_str();
    } catch (...) {
        return "OSException";
    }
}

const std::string& OSException::Format() const {
    m_formatted = m_message;
    return m_formatted;
}
