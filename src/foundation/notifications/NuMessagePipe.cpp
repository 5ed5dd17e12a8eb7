#include "foundation/notifications/NuMessagePipe.h"

#include "engine/PString.h"
#include "foundation/notifications/NuMessageData.h"
#include "foundation/notifications/NuMessageRecipient.h"

NuMessagePipe::NuMessagePipe(NuMessageRecipient& owner, NuMessageRecipient* farEnd,
                             NuMessageRecipient* recipientToTell)
    : m_recipientToTell(recipientToTell), m_farEnd(farEnd) {
    m_link.object = this;
    owner.Pipes().Append(m_link);
}

NuMessagePipe::~NuMessagePipe() { NuMessagePipeList::Unlink(m_link); }

void NuMessagePipe::Close() {
    NuMessageRecipient* tell = m_recipientToTell;
    m_recipientToTell = nullptr;
    NuMessagePipeList::Unlink(m_link);
    if (tell) {
        static const Vek::PString kPipeClosed("pipe-closed");
        tell->HandleMessage(NuMessageData(kPipeClosed, m_farEnd));
    }
}
