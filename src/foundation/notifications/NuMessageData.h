#pragma once
// One notification: an interned message-type name and a value. For the
// messages sent here the value is an object: the sender ("list-updated",
// "list-destroyed") or a pipe's far end ("pipe-closed").
#include "engine/PString.h"

class NuMessageData {
public:
    NuMessageData(const Vek::PString& type, void* value) : m_type(type), m_value(value) {}
    virtual ~NuMessageData() = default;

    const Vek::PString& Type() const { return m_type; }
    void* Value() const { return m_value; }

private:
    Vek::PString m_type;
    void* m_value;
};
