#pragma once
// One connection from a sending recipient (the pipe's owner) to a far end
// that receives the owner's broadcasts. When the pipe closes, the recipient
// to tell gets a "pipe-closed" message carrying the far end.
#include "foundation/notifications/NuMessagePipeList.h"

class NuMessageRecipient;

class NuMessagePipe {
public:
    // Links the pipe at the end of the owner's pipe list.
    NuMessagePipe(NuMessageRecipient& owner, NuMessageRecipient* farEnd, NuMessageRecipient* recipientToTell);
    // Unlinks the pipe without telling anyone, so no list keeps a dangling link.
    ~NuMessagePipe();
    NuMessagePipe(const NuMessagePipe&) = delete;
    NuMessagePipe& operator=(const NuMessagePipe&) = delete;

    // Clears the recipient to tell, unlinks the pipe from its owner's list
    // and, when there was a recipient to tell, sends it "pipe-closed". A
    // second Close sends nothing.
    void Close();

    NuMessageRecipient* FarEnd() const { return m_farEnd; }
    NuMessageRecipient* RecipientToTell() const { return m_recipientToTell; }
    bool IsLinked() const { return m_link.list != nullptr; }

private:
    NuMessagePipeLink m_link;
    NuMessageRecipient* m_recipientToTell;
    NuMessageRecipient* m_farEnd;
};
