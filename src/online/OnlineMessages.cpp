#include "online/OnlineMessages.h"

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/Stream.h"

void OnlineMessage::Write(TStream& stream) const {
    sender.Write(stream);
    stream.WriteString(name);
    WriteBinarySoup(stream, soup);
}

bool OnlineMessage::Read(TStream& stream) {
    if (!stream.ReadKUID(sender)) return false;
    if (!stream.ReadString(name)) return false;
    // A soup whose body runs past the input reads as false without moving.
    return ReadBinarySoup(soup, stream);
}

void OnlineVersionedMessage::Write(TStream& stream) const {
    OnlineMessage::Write(stream);
    stream.WriteInt32(version);
    stream.WriteByte(flag ? 1 : 0);
}

bool OnlineVersionedMessage::Read(TStream& stream) {
    if (!OnlineMessage::Read(stream)) return false;
    if (!stream.ReadInt32(version)) return false;
    return stream.ReadBool(flag);
}

void OnlineGroupMessage::Write(TStream& stream) const {
    sender.Write(stream);
    stream.WriteString(userName);
    stream.WritePString(cookie);
    WriteBinarySoup(stream, soup);
}

bool OnlineGroupMessage::Read(TStream& stream) {
    if (!stream.ReadKUID(sender)) return false;
    if (!stream.ReadString(userName)) return false;
    if (!stream.ReadPString(cookie)) {
        // A cookie cut short is only the front of some group's cookie.
        cookie = Vek::PString();
        return false;
    }
    // A soup whose body runs past the input reads as false without moving.
    return ReadBinarySoup(soup, stream);
}
