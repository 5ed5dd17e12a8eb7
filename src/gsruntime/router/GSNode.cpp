#include "gsruntime/router/GSNode.h"

#include "gsruntime/router/GSMessage.h"
#include "gsruntime/router/GSRouter.h"

namespace GSRuntime {

GSNode::~GSNode() {
    m_flags &= ~kDestroyPending;
    if (m_id != -1 && m_router) m_router->RemoveNode(this);
    ClearQueue();
}

bool GSNode::HandleMessage(GSMessage* const& message) {
    if (message && message->major == kDestroyType) {
        m_flags |= kDestroyPending;
        return true;
    }
    return false;
}

void GSNode::Update(float dt) {
    while (GSMessage* message = PopMessage()) {
        HandleMessage(message);
        message->ReleaseReference();
    }
    if (dt > 0.0f) m_active = false;
}

void GSNode::Activate() {
    if (!m_router && IsDestroyPending()) {
        delete this;
        return;
    }
    if (m_active) return;
    m_active = true;
    if (m_router) m_router->InsertActive(this);
}

GSMessage* GSNode::PopMessage() {
    if (m_queue.empty()) return nullptr;
    GSMessage* message = m_queue.front();
    m_queue.pop_front();
    return message;
}

void GSNode::QueueMessage(GSMessage* message) {
    if (!message) return;
    message->AddReference();
    m_queue.push_back(message);
}

void GSNode::ClearQueue() {
    while (GSMessage* message = PopMessage()) message->ReleaseReference();
}

GSMessage* GSNode::CreateMessage(const char* major, const char* minor, int32_t destination, uint32_t delayMs) {
    return CreateMessage(major, nullptr, minor, nullptr, destination, delayMs);
}

GSMessage* GSNode::CreateMessage(const char* major, GSTypeIdMemo* majorMemo, const char* minor,
                                 GSTypeIdMemo* minorMemo, int32_t destination, uint32_t delayMs) {
    if (m_id == -1 || !m_router || !major || !*major) return nullptr;
    const uint16_t minorId = minorMemo ? m_router->GetMessageTypeId(minor, *minorMemo) : m_router->GetMessageTypeId(minor);
    const uint16_t majorId = majorMemo ? m_router->GetMessageTypeId(major, *majorMemo) : m_router->GetMessageTypeId(major);
    GSMessage* message = GSMessage::Create();
    message->Init(delayMs, majorId, minorId, m_id, destination);
    return message;
}

bool GSNode::Subscribe(uint16_t major) { return m_router && m_router->Subscribe(this, major); }

bool GSNode::Unsubscribe(uint16_t major) { return m_router && m_router->Unsubscribe(this, major); }

}  // namespace GSRuntime
