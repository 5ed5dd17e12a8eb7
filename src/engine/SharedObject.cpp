#include "engine/SharedObject.h"

#include <dlfcn.h>

namespace Vek {

SharedObject::SharedObject(const char* name) : m_name(name ? name : "") {
    m_module = ::dlopen(m_name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_module) {
        const char* why = ::dlerror();
        m_reason = why ? why : m_name + ": cannot be loaded";
    }
}

void* SharedObject::Find(const char* symbol) {
    if (!m_module) return nullptr;
    void* found = ::dlsym(m_module, symbol);
    if (!found && m_reason.empty()) m_reason = m_name + " has no " + symbol;
    return found;
}

}  // namespace Vek
