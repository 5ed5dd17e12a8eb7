#include "tetlib/ErrorHandler.h"

#include <cstdio>

#include "foundation/interfacetext/InterfaceTextDB.h"

namespace TETLib {

namespace {

ErrorHandler* g_instance = nullptr;

const char* EchoPrefixKey(int severity) {
    switch (severity) {
        case ErrorHandler::kSeverityError:
            return "$tet_eh_error";
        case ErrorHandler::kSeverityWarning:
            return "$tet_eh_warning";
        default:
            return "$tet_eh_message";
    }
}

}  // namespace

bool ErrorHandler::CreateInstance() {
    if (!g_instance) g_instance = new ErrorHandler();
    return true;
}

void ErrorHandler::DestroyInstance() {
    if (!g_instance) return;
    ErrorHandler* handler = g_instance;
    g_instance = nullptr;
    handler->Clear();
    delete handler;
}

ErrorHandler* ErrorHandler::Instance() { return g_instance; }

ErrorHandler::~ErrorHandler() = default;

void ErrorHandler::Clear() { m_records.clear(); }

bool ErrorHandler::Add(const Vek::PString& text, const Container* container, const Tag* tag, int severity) {
    for (const ErrorRecord& record : m_records) {
        if (record.text != text) continue;
        if (container && record.ownerContainer == container) return false;
        if (tag && record.ownerTag == tag) return false;
        if (!container && !tag) return false;
    }
    // The prefix lookup loads the text table on first use, as every lookup
    // of the tools does, even when nothing is printed.
    const Vek::String prefix = GetLocalisedText(EchoPrefixKey(severity));
    if (m_echo) {
        std::fputs(prefix.c_str(), stdout);
        std::fputs(text.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    m_records.push_back(ErrorRecord{container, tag, text, severity});
    return true;
}

bool ErrorHandler::AddError(const Vek::PString& text, const Container* owner) {
    return Add(text, owner, nullptr, kSeverityError);
}
bool ErrorHandler::AddError(const Vek::PString& text, const Tag* owner) {
    return Add(text, nullptr, owner, kSeverityError);
}
bool ErrorHandler::AddError(const Vek::PString& text) { return Add(text, nullptr, nullptr, kSeverityError); }
bool ErrorHandler::AddWarning(const Vek::PString& text, const Container* owner) {
    return Add(text, owner, nullptr, kSeverityWarning);
}
bool ErrorHandler::AddWarning(const Vek::PString& text, const Tag* owner) {
    return Add(text, nullptr, owner, kSeverityWarning);
}
bool ErrorHandler::AddWarning(const Vek::PString& text) { return Add(text, nullptr, nullptr, kSeverityWarning); }
bool ErrorHandler::AddMessage(const Vek::PString& text, const Container* owner) {
    return Add(text, owner, nullptr, kSeverityMessage);
}
bool ErrorHandler::AddMessage(const Vek::PString& text, const Tag* owner) {
    return Add(text, nullptr, owner, kSeverityMessage);
}
bool ErrorHandler::AddMessage(const Vek::PString& text) { return Add(text, nullptr, nullptr, kSeverityMessage); }
bool ErrorHandler::AddNote(const Vek::PString&, const Container*) { return true; }
bool ErrorHandler::AddNote(const Vek::PString&, const Tag*) { return true; }

bool ErrorHandler::IsNewText(const Vek::PString& text) const {
    for (const ErrorRecord& record : m_records)
        if (record.text == text) return false;
    return true;
}

void ErrorHandler::SetRecords(const std::vector<ErrorRecord>& records) { m_records = records; }

void ErrorHandler::SetEcho(bool echo) { m_echo = echo; }

void ErrorHandler::RemoveFirstByTag(const Tag* tag) {
    if (!tag) return;
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->ownerTag == tag) {
            m_records.erase(it);
            return;
        }
    }
}

void ErrorHandler::RemoveFirstByContainer(const Container* container) {
    if (!container) return;
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->ownerContainer == container) {
            m_records.erase(it);
            return;
        }
    }
}

const std::vector<ErrorRecord>& ErrorHandler::Records() const { return m_records; }

}  // namespace TETLib
