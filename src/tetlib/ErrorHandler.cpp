#include "tetlib/ErrorHandler.h"

#include <cstdio>
#include <utility>

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

void ErrorHandler::Clear() {
    m_records.clear();
    Reindex();
}

void ErrorHandler::Index(std::size_t position) const {
    const ErrorRecord& record = m_records[position];
    ++m_visited;
    ++m_textCounts[record.text.GetNode()];
    if (record.ownerContainer || record.ownerTag) {
        const bool isTag = record.ownerContainer == nullptr;
        const void* owner = isTag ? static_cast<const void*>(record.ownerTag) : record.ownerContainer;
        ++m_ownedTexts[OwnedText{owner, record.text.GetNode(), isTag}];
        m_byOwner[OwnedText{owner, nullptr, isTag}].push_back(position);
    }
}

void ErrorHandler::Reindex() const {
    m_removed.assign(m_records.size(), false);
    m_removedCount = 0;
    m_ownedTexts.clear();
    m_textCounts.clear();
    m_byOwner.clear();
    for (std::size_t i = 0; i < m_records.size(); ++i) Index(i);
}

void ErrorHandler::Pack() const {
    if (m_removedCount == 0) return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        ++m_visited;
        if (m_removed[i]) continue;
        if (kept != i) m_records[kept] = std::move(m_records[i]);
        ++kept;
    }
    m_records.resize(kept);
    Reindex();
}

bool ErrorHandler::Add(const Vek::PString& text, const Container* container, const Tag* tag, int severity) {
    ++m_visited;
    if (container || tag) {
        const bool isTag = container == nullptr;
        const void* owner = isTag ? static_cast<const void*>(tag) : container;
        const auto found = m_ownedTexts.find(OwnedText{owner, text.GetNode(), isTag});
        if (found != m_ownedTexts.end()) return false;
    } else {
        const auto found = m_textCounts.find(text.GetNode());
        if (found != m_textCounts.end()) return false;
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
    m_removed.push_back(false);
    Index(m_records.size() - 1);
    return true;
}

void ErrorHandler::RemoveFirstOf(const OwnedText& owner) {
    const auto queue = m_byOwner.find(owner);
    if (queue == m_byOwner.end()) return;
    const std::size_t position = queue->second.front();
    queue->second.pop_front();
    if (queue->second.empty()) m_byOwner.erase(queue);
    ++m_visited;
    const ErrorRecord& record = m_records[position];
    const void* text = record.text.GetNode();
    const auto count = m_textCounts.find(text);
    if (--count->second == 0) m_textCounts.erase(count);
    const auto owned = m_ownedTexts.find(OwnedText{owner.owner, text, owner.isTag});
    if (--owned->second == 0) m_ownedTexts.erase(owned);
    m_removed[position] = true;
    ++m_removedCount;
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
    return m_textCounts.find(text.GetNode()) == m_textCounts.end();
}

void ErrorHandler::SetRecords(const std::vector<ErrorRecord>& records) {
    m_records = records;
    Reindex();
}

void ErrorHandler::SetEcho(bool echo) { m_echo = echo; }

void ErrorHandler::RemoveFirstByTag(const Tag* tag) {
    if (tag) RemoveFirstOf(OwnedText{tag, nullptr, true});
}

void ErrorHandler::RemoveFirstByContainer(const Container* container) {
    if (container) RemoveFirstOf(OwnedText{container, nullptr, false});
}

const std::vector<ErrorRecord>& ErrorHandler::Records() const {
    Pack();
    return m_records;
}

}  // namespace TETLib
