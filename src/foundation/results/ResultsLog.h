#pragma once
// A result log collects the messages of one operation: what a command did,
// what the daemon reported while it worked for that command, what a
// command-host job found. It is thread-safe: every operation holds the
// log's mutex, so the daemon link's reader thread may append while the
// command's thread waits. After entries are added the log broadcasts
// "list-updated"; its destructor broadcasts "list-destroyed"; both carry
// the log itself.
//
// Wire form of an entry block (little-endian): int32 status (0: entries
// follow), int32 count, then per entry int32 severity, the text in the
// plain-string form and the property in its stream form.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/DynamicArray.h"
#include "engine/PString.h"
#include "foundation/notifications/NuMessageRecipient.h"
#include "foundation/results/ResultsLogEntry.h"
#include "foundation/threads/CountedMutex.h"

class SoupHandle;
class TStream;

class ResultsLog : public NuMessageRecipient {
public:
    using EntryList = Vek::DynamicArray<ResultsLogEntry, 13>;

    // A wire block that announces more entries than this is damaged and is
    // not read.
    static constexpr int32_t kMaxWireEntries = 1000000;

    ResultsLog();
    // Removes the log from the transaction registry, broadcasts
    // "list-destroyed", then releases the context properties and entries.
    ~ResultsLog() override;

    // Adds one entry and returns 0. The entry's property is `property` when
    // it is not null, else the current context property (if any). Every
    // "$(NAME)" placeholder of the text is filled from the tag of that name
    // in `parameters` (names match without regard to letter case); the tags
    // are applied in the soup's order, so a value inserted by one tag can
    // be filled by a later one. Placeholders that name no tag stay.
    int AddEntry(int32_t severity, const PropertyRef& property, Vek::String text, const SoupHandle* parameters);
    int AddEntry(int32_t severity, const PropertyRef& property, Vek::String text, const SoupHandle& parameters) {
        return AddEntry(severity, property, std::move(text), &parameters);
    }
    // An entry without property and parameters.
    int AddEntry(int32_t severity, const char* text) {
        return AddEntry(severity, PropertyRef(), Vek::String(text), nullptr);
    }

    // Entries added without a property take the last pushed one.
    void PushContextProperty(const PropertyRef& property);
    // Removes the last pushed property; nothing on an empty stack.
    void PopContextProperty();

    // Replaces this log's entries and counters by copies of the other's.
    // The context stack stays and nothing is broadcast. A log copied onto
    // itself is unchanged.
    void CopyFrom(ResultsLog& other);

    // Writes the entries from index `first` on as one wire block (status 0).
    void WriteEntries(TStream& stream, int32_t first);
    // Reads one wire block and appends its entries without filling
    // placeholders or taking the context property, then broadcasts
    // "list-updated" (also when nothing was read). A block cut short gives
    // empty entries (severity 0, no text, no property) for what is missing;
    // a count above kMaxWireEntries marks a damaged block, which adds
    // nothing and leaves the stream's error kErrorMemory.
    void ReadEntries(TStream& stream);
    // The same, appending at most `maxEntries` entries whose texts hold at
    // most `maxTextBytes` bytes together: the first entry past either bound
    // and every entry after it are left out. Answers how many of the
    // block's entries were dropped (0 for a damaged block, which adds
    // nothing as above).
    std::size_t ReadEntries(TStream& stream, std::size_t maxEntries, std::size_t maxTextBytes);

    int32_t GetWarningCount();
    int32_t GetErrorCount();
    int32_t GetSuccessCount();
    std::size_t GetEntryCount();
    // A copy of entry `index`; an empty entry when out of range.
    ResultsLogEntry GetEntry(std::size_t index);

    // The log's mutex, for readers that walk the entries (printing). Hold it
    // while using Entries().
    void Lock() { m_mutex.Lock(); }
    void Unlock() { m_mutex.Unlock(); }
    const EntryList& Entries() const { return m_entries; }

    // The interned notification names.
    static const Vek::PString& ListUpdatedName();
    static const Vek::PString& ListDestroyedName();

private:
    void AppendLocked(ResultsLogEntry&& entry);
    void CountLocked(int32_t severity, int32_t delta);
    // The entry at `index` (< m_count), reached from the nearer end of the
    // list: a daemon sends each new line of a long log as it comes.
    EntryList::Iterator EntryAtLocked(std::size_t index);

    CountedMutex m_mutex;
    EntryList m_entries;
    std::size_t m_count = 0;  // the entries' number: the list counts by walking its blocks
    int32_t m_warnings = 0;
    int32_t m_errors = 0;
    int32_t m_successes = 0;
    std::vector<PropertyRef> m_contextStack;
};
