#include "foundation/callbacks/TCXCallback.h"

#include "engine/Alloc.h"

int32_t TCXCallbackBase::Invoke(CallArgument) { return -1; }

void TCXCallbackBase::AddReference() {
    m_lock.Enter();
    ++m_references;
    m_lock.Leave();
}

int32_t TCXCallbackBase::DropReference() {
    m_lock.Enter();
    int32_t left = --m_references;
    m_lock.Leave();
    return left;
}

int32_t TCXCallbackBase::ReferenceCount() {
    m_lock.Enter();
    int32_t count = m_references;
    m_lock.Leave();
    return count;
}

void* TCXCallbackBase::operator new(std::size_t size) noexcept { return Vek::Alloc::New(size); }

void TCXCallbackBase::operator delete(void* block) noexcept { Vek::Alloc::Delete(block); }

TCXCallback::TCXCallback(TCXCallbackBase* body) : m_body(body) {
    if (m_body) m_body->AddReference();
}

TCXCallback::TCXCallback(const TCXCallback& other) : m_body(other.m_body) {
    if (m_body) m_body->AddReference();
}

TCXCallback& TCXCallback::operator=(const TCXCallback& other) {
    TCXCallbackBase* body = other.m_body;
    if (body) body->AddReference();
    Release();
    m_body = body;
    return *this;
}

TCXCallback& TCXCallback::operator=(TCXCallback&& other) noexcept {
    if (this != &other) {
        Release();
        m_body = other.m_body;
        other.m_body = nullptr;
    }
    return *this;
}

void TCXCallback::Release() {
    TCXCallbackBase* body = m_body;
    m_body = nullptr;
    if (body && body->DropReference() == 0) delete body;
}
