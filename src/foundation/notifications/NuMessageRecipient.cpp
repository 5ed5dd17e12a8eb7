#include "foundation/notifications/NuMessageRecipient.h"

#include "foundation/notifications/NuMessagePipe.h"

int NuMessageRecipient::HandleMessage(const NuMessageData& message) {
    NuMessageRecipient* target = ForwardTarget();
    if (!target) return 1;
    return target->HandleMessage(message);
}

NuMessageRecipient::~NuMessageRecipient() {
    while (m_pipes.first) {
        NuMessagePipeLink* link = m_pipes.first;
        if (link->object)
            link->object->Close();
        else
            NuMessagePipeList::Unlink(*link);
    }
}

void NuMessageRecipient::Broadcast(const NuMessageData& message) {
    NuMessagePipeLink* link = m_pipes.first;
    while (link) {
        NuMessagePipeLink* next = link->next;
        NuMessagePipe* pipe = link->object;
        if (pipe && pipe->FarEnd()) pipe->FarEnd()->HandleMessage(message);
        link = next;
    }
}
