#pragma once
// GSNativeFunction: the record of one native function, a body of the system
// itself that a script class declares `native`. It names the script class
// and the full signature text of the method ("$void@Str::TrimLeft(string,
// string)"), both interned, so that the script machine can match a class's
// native declarations to records by identity of the two interned strings.
// Registration hands each record to the machine (GSMachine::AddNative),
// which owns it from then on; when two records carry the same names, the one
// registered last is the one that links. Derived classes supply Call.
#include "engine/PString.h"
#include "foundation/containers/IDoubleLinkList.h"

namespace GSRuntime {

class GSObject;
class GSStack;

class GSNativeFunction : public Utils::IDoubleLinkListNode {
public:
    GSNativeFunction(const Vek::PString& className, const Vek::PString& signature)
        : m_className(className), m_signature(signature) {}
    // Releases both strings. It does not unlink the record: the list's owner
    // does that.
    ~GSNativeFunction() override = default;

    // Runs the native for `target` (the native object of the script instance
    // the script called it on) on `stack`. False when no receiver could be
    // found for it.
    virtual bool Call(GSObject* target, GSStack* stack) = 0;

    const Vek::PString& ClassName() const { return m_className; }
    const Vek::PString& Signature() const { return m_signature; }

    // A native that only reads the texts of its string arguments during the
    // call, and neither keeps those string objects nor changes them, may be
    // handed a library's shared string constants for them
    // (GSConstantStrings). Off unless its registration says so.
    bool BorrowsStringArguments() const { return m_borrowsStrings; }
    void SetBorrowsStringArguments(bool borrows) { m_borrowsStrings = borrows; }

private:
    Vek::PString m_className;
    Vek::PString m_signature;
    bool m_borrowsStrings = false;
};

}  // namespace GSRuntime
