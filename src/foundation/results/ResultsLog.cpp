#include "foundation/results/ResultsLog.h"

#include <cstdint>

#include "foundation/properties/PropertyStream.h"
#include "foundation/results/SubstituteTextParameter.h"
#include "foundation/results/TransactionLogRegistry.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/Stream.h"

namespace {

// Fills the placeholders of every tag of the parameter soup, in tag order.
void FillParameters(Vek::String& text, const SoupHandle& parameters) {
    const int32_t count = parameters.Count();
    for (int32_t i = 0; i < count; ++i) {
        Vek::PString name = parameters.GetTagName(i);
        if (name.IsEmpty()) continue;
        Vek::PString value = parameters.GetString(name);
        name.ToUpper();
        SubstituteTextParameter(value.c_str(), text, name.c_str());
    }
}

}  // namespace

const Vek::PString& ResultsLog::ListUpdatedName() {
    static const Vek::PString name("list-updated");
    return name;
}

const Vek::PString& ResultsLog::ListDestroyedName() {
    static const Vek::PString name("list-destroyed");
    return name;
}

ResultsLog::ResultsLog() = default;

ResultsLog::~ResultsLog() {
    UnregisterTransactionLogsOf(this);
    CountedMutexLock hold(m_mutex);
    Broadcast(NuMessageData(ListDestroyedName(), this));
    m_contextStack.clear();
    m_entries.Clear();
    m_count = 0;
}

void ResultsLog::CountLocked(int32_t severity, int32_t delta) {
    switch (severity) {
        case ResultsLogEntry::kWarning: m_warnings += delta; break;
        case ResultsLogEntry::kError: m_errors += delta; break;
        case ResultsLogEntry::kSuccess: m_successes += delta; break;
        default: break;
    }
}

void ResultsLog::AppendLocked(ResultsLogEntry&& entry) {
    CountLocked(entry.severity, 1);
    m_entries.Add(std::move(entry));
    ++m_count;
}

ResultsLog::EntryList::Iterator ResultsLog::EntryAtLocked(std::size_t index) {
    if (index < m_count / 2) return m_entries.Begin() += static_cast<std::ptrdiff_t>(index);
    EntryList::Block* last = m_entries.FirstBlock()->Prev();
    return m_entries.At(last, last->Count() - 1) -= static_cast<std::ptrdiff_t>(m_count - 1 - index);
}

int ResultsLog::AddEntry(int32_t severity, const PropertyRef& property, Vek::String text,
                         const SoupHandle* parameters) {
    CountedMutexLock hold(m_mutex);
    ResultsLogEntry entry;
    entry.severity = severity;
    if (property)
        entry.property = property;
    else if (!m_contextStack.empty())
        entry.property = m_contextStack.back();
    if (parameters) FillParameters(text, *parameters);
    entry.text = std::move(text);
    AppendLocked(std::move(entry));
    Broadcast(NuMessageData(ListUpdatedName(), this));
    return 0;
}

void ResultsLog::PushContextProperty(const PropertyRef& property) {
    CountedMutexLock hold(m_mutex);
    m_contextStack.push_back(property);
}

void ResultsLog::PopContextProperty() {
    CountedMutexLock hold(m_mutex);
    if (!m_contextStack.empty()) m_contextStack.pop_back();
}

void ResultsLog::CopyFrom(ResultsLog& other) {
    if (&other == this) return;
    CountedMutexLock holdThis(m_mutex);
    CountedMutexLock holdOther(other.m_mutex);
    m_entries = other.m_entries;
    m_count = other.m_count;
    m_warnings = other.m_warnings;
    m_errors = other.m_errors;
    m_successes = other.m_successes;
}

void ResultsLog::WriteEntries(TStream& stream, int32_t first) {
    CountedMutexLock hold(m_mutex);
    const int32_t total = static_cast<int32_t>(m_count);
    if (first < 0) first = 0;
    const int32_t count = first < total ? total - first : 0;
    stream.WriteInt32(0);
    stream.WriteInt32(count);
    if (count == 0) return;
    for (auto it = EntryAtLocked(static_cast<std::size_t>(first)); it; ++it) {
        stream.WriteInt32(it->severity);
        stream.WriteString(it->text);
        WriteProperty(stream, it->property);
    }
}

void ResultsLog::ReadEntries(TStream& stream) {
    ReadEntries(stream, SIZE_MAX, SIZE_MAX);
}

std::size_t ResultsLog::ReadEntries(TStream& stream, std::size_t maxEntries, std::size_t maxTextBytes) {
    CountedMutexLock hold(m_mutex);
    std::size_t dropped = 0;
    int32_t status = -1;
    stream.ReadInt32(status, -1);
    if (status == 0) {
        int32_t count = 0;
        stream.ReadInt32(count, 0);
        if (count > kMaxWireEntries) {
            stream.SetError(TStream::kErrorMemory);
        } else {
            std::size_t textBytes = 0;
            int32_t read = 0;
            for (; read < count && static_cast<std::size_t>(read) < maxEntries; ++read) {
                ResultsLogEntry entry;
                stream.ReadInt32(entry.severity, 0);
                stream.ReadString(entry.text);
                const std::size_t length = entry.text.Length();
                if (length > maxTextBytes - textBytes) break;
                textBytes += length;
                ReadProperty(stream, entry.property);
                AppendLocked(std::move(entry));
            }
            if (read < count) dropped = static_cast<std::size_t>(count - read);
        }
    }
    Broadcast(NuMessageData(ListUpdatedName(), this));
    return dropped;
}

int32_t ResultsLog::GetWarningCount() {
    CountedMutexLock hold(m_mutex);
    return m_warnings;
}

int32_t ResultsLog::GetErrorCount() {
    CountedMutexLock hold(m_mutex);
    return m_errors;
}

int32_t ResultsLog::GetSuccessCount() {
    CountedMutexLock hold(m_mutex);
    return m_successes;
}

std::size_t ResultsLog::GetEntryCount() {
    CountedMutexLock hold(m_mutex);
    return m_count;
}

ResultsLogEntry ResultsLog::GetEntry(std::size_t index) {
    CountedMutexLock hold(m_mutex);
    return index < m_count ? *EntryAtLocked(index) : ResultsLogEntry();
}
