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
// Start-up creates the instance before the data manager and shutdown
// destroys it right after the data manager. No lock: every report is made
// on the main thread, during a validation under the validation lock.
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

protected:
    ErrorHandler() = default;

private:
    bool Add(const Vek::PString& text, const Container* container, const Tag* tag, int severity);

    bool m_echo = false;
    std::vector<ErrorRecord> m_records;
};

}  // namespace TETLib
