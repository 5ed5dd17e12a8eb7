#pragma once
// The asset tools' process-wide error handler: the collector of the findings
// of containers, tags, validators and mesh and texture checks.
//
// Each finding is a record {owner container or null, owner tag or null,
// text, severity}: severity 3 error, 2 warning, 0 message. A record has at
// most one owner. The handler keeps the records in the order added and
// drops exact repeats:
//  - with an owner container: same container and same text;
//  - with an owner tag: same tag and same text;
//  - without an owner: the same text under any owner and any severity.
// Texts compare as interned strings. Severity takes no part in the test, so
// an error after a warning of the same owner and text is dropped.
//
// The texts arrive ready-made (usually a localised "$tet_" message filled
// with its arguments, ToolsText.h). The handler never writes to a result
// log: the asset checks read Records() and turn them into entries. With the
// echo flag on, each added finding is also printed to standard output,
// prefixed with the localised "$tet_eh_error", "$tet_eh_warning" or
// "$tet_eh_message" text; the record keeps the bare text.
//
// The repeat rules and the removals go through indexes of the live records
// (by owner and text, by text, by owner), so that each finding costs about
// the same however many came before: a configuration of 100,000 unknown
// tags gave 100,000 findings, each compared with all before it, and every
// tag's destruction looked for its finding from the front. Removals only
// mark a record; the records are packed when next read.
//
// Start-up creates the instance before the data manager and shutdown
// destroys it right after the data manager. No lock: every report is made
// on the main thread, during a validation under the validation lock.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "engine/PString.h"

namespace TETLib {

class Container;
class Tag;

struct ErrorRecord {
    const Container* ownerContainer = nullptr;
    const Tag* ownerTag = nullptr;
    Vek::PString text;
    int severity = 0;
};

class ErrorHandler {
public:
    static constexpr int kSeverityMessage = 0;
    static constexpr int kSeverityWarning = 2;
    static constexpr int kSeverityError = 3;

    // Makes the instance (a second call keeps the first); true.
    static bool CreateInstance();
    // Frees every record and deletes the instance; nothing when there is none.
    static void DestroyInstance();
    // The instance, or null before CreateInstance and after DestroyInstance.
    static ErrorHandler* Instance();

    virtual ~ErrorHandler();

    // Frees every record; the handler stays usable.
    virtual void Clear();

    // True when the record was added, false for a repeat.
    virtual bool AddError(const Vek::PString& text, const Container* owner);
    virtual bool AddError(const Vek::PString& text, const Tag* owner);
    virtual bool AddError(const Vek::PString& text);
    virtual bool AddWarning(const Vek::PString& text, const Container* owner);
    virtual bool AddWarning(const Vek::PString& text, const Tag* owner);
    virtual bool AddWarning(const Vek::PString& text);
    virtual bool AddMessage(const Vek::PString& text, const Container* owner);
    virtual bool AddMessage(const Vek::PString& text, const Tag* owner);
    virtual bool AddMessage(const Vek::PString& text);
    // Progress and success notes: accepted and dropped; true.
    virtual bool AddNote(const Vek::PString& text, const Container* owner);
    virtual bool AddNote(const Vek::PString& text, const Tag* owner);

    // True when no record carries this text.
    virtual bool IsNewText(const Vek::PString& text) const;
    // Replaces the records with copies of the given ones (the old ones are
    // freed).
    virtual void SetRecords(const std::vector<ErrorRecord>& records);
    virtual void SetEcho(bool echo);
    // Removes the first record owned by the tag / container; later records
    // of the same owner stay.
    virtual void RemoveFirstByTag(const Tag* tag);
    virtual void RemoveFirstByContainer(const Container* container);
    // The records in the order added.
    virtual const std::vector<ErrorRecord>& Records() const;

    bool IsEcho() const { return m_echo; }

    // Records looked at by the repeat checks, removals and packing since
    // the instance was made: follows the number of findings, not its square.
    uint64_t RecordsVisited() const { return m_visited; }

protected:
    ErrorHandler() = default;

private:
    // An owner of either kind, or none, with a text.
    struct OwnedText {
        const void* owner;
        const void* text;
        bool isTag;
        bool operator==(const OwnedText& other) const {
            return owner == other.owner && text == other.text && isTag == other.isTag;
        }
    };
    struct OwnedTextHash {
        std::size_t operator()(const OwnedText& key) const {
            const std::size_t h = std::hash<const void*>()(key.owner) * 31u + std::hash<const void*>()(key.text);
            return h * 2u + (key.isTag ? 1u : 0u);
        }
    };

    bool Add(const Vek::PString& text, const Container* container, const Tag* tag, int severity);
    void Index(std::size_t position) const;
    void RemoveFirstOf(const OwnedText& owner);
    // Drops the marked records, keeping the order, and indexes them anew.
    void Pack() const;
    void Reindex() const;

    bool m_echo = false;
    // Mutable: reading the records packs them.
    mutable std::vector<ErrorRecord> m_records;
    mutable std::vector<bool> m_removed;  // beside m_records
    mutable std::size_t m_removedCount = 0;
    // Live records per owner and text (text null for the owner's queue key).
    mutable std::unordered_map<OwnedText, uint32_t, OwnedTextHash> m_ownedTexts;
    // Live records per text.
    mutable std::unordered_map<const void*, uint32_t> m_textCounts;
    // Positions of each owner's records in m_records, in order; marked ones
    // leave the front as they are removed.
    mutable std::unordered_map<OwnedText, std::deque<std::size_t>, OwnedTextHash> m_byOwner;
    mutable uint64_t m_visited = 0;
};

}  // namespace TETLib
