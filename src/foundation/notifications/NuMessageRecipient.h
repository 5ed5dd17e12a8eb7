#pragma once
// An object that can send notifications to the recipients connected to it
// through message pipes, and receive notifications itself. Result logs,
// database tasks and script library objects derive from it.
#include "foundation/notifications/NuMessageData.h"
#include "foundation/notifications/NuMessagePipeList.h"

class NuMessageRecipient {
public:
    NuMessageRecipient() = default;
    NuMessageRecipient(const NuMessageRecipient&) = delete;
    NuMessageRecipient& operator=(const NuMessageRecipient&) = delete;

    // The recipient that handles messages on this one's behalf; none here.
    virtual NuMessageRecipient* ForwardTarget() { return nullptr; }
    // Passes the message to the forward target and returns its answer, or
    // returns 1 when there is none.
    virtual int HandleMessage(const NuMessageData& message);
    // Closes every pipe of this recipient (each pipe tells its recipient).
    virtual ~NuMessageRecipient();
    // A further query that every recipient of this program answers with 0.
    virtual int Reserved() { return 0; }

    // Sends the message to the far end of every pipe of this recipient, in
    // list order. The next pipe is taken before each call, so a recipient
    // may close its own pipe while it handles the message.
    void Broadcast(const NuMessageData& message);

    NuMessagePipeList& Pipes() { return m_pipes; }

private:
    NuMessagePipeList m_pipes;
};
