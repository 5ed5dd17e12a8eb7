#pragma once
// The records the online endpoint carries: direct messages (with and
// without the sender's version), group messages, and the interfaces of the
// script-side clients and groups that receive them.
//
// Stream forms (little-endian; strings as TStream writes them):
//   Message           KUID sender, String name, binary soup
//   VersionedMessage  the Message fields, int32 version, uint8 flag (0 or 1)
//   GroupMessage      KUID sender, String user name, PString cookie, binary soup
// Reading stops at the first short field; what is missing keeps its default,
// and a group cookie cut short reads as empty (it names no group).
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class TStream;

class OnlineMessage {
public:
    virtual ~OnlineMessage() = default;
    virtual void Write(TStream& stream) const;
    // False when the stream ran short (the fields read so far are kept).
    virtual bool Read(TStream& stream);

    Vek::String name;
    SoupHandle soup;
    KUID sender;
};

class OnlineVersionedMessage : public OnlineMessage {
public:
    void Write(TStream& stream) const override;
    bool Read(TStream& stream) override;

    int32_t version = 0;
    bool flag = false;
};

struct OnlineGroupMessage {
    void Write(TStream& stream) const;
    bool Read(TStream& stream);

    Vek::PString cookie;
    Vek::String userName;
    SoupHandle soup;
    KUID sender;
};

// A script-side client of the endpoint: the online access object of one
// library asset.
class OnlineAccessClientBase {
public:
    virtual ~OnlineAccessClientBase() = default;
    // Takes ownership of the message.
    virtual void DeliverMessage(OnlineMessage* message) = 0;

    KUID clientKUID;
};

// A script-side group: how the endpoint hands it the group packets.
class OnlineGroupClient {
public:
    virtual ~OnlineGroupClient() = default;
    virtual bool MatchesRequest(int32_t requestId) = 0;
    // `rest`: the member list that follows in the packet.
    virtual void Joined(const Vek::PString& cookie, TStream& rest) = 0;
    virtual void MembersChanged(TStream& rest) = 0;
    virtual void Closed() = 0;
    virtual void ClientRemoved(OnlineAccessClientBase* client) = 0;
    virtual bool MatchesCookie(const Vek::PString& cookie) = 0;
    // Takes ownership of the record.
    virtual void DeliverMessage(OnlineGroupMessage* message) = 0;
};
