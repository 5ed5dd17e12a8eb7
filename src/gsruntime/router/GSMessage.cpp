#include "gsruntime/router/GSMessage.h"

namespace GSRuntime {

void GSMessage::Init(uint32_t delay, uint16_t majorId, uint16_t minorId, int32_t sourceId, int32_t destinationId) {
    major = majorId;
    minor = minorId;
    source = sourceId;
    destination = destinationId;
    timeWord = (delay & kTimeMask) | kInitBit;
}

GSMessage* GSMessage::Clone() const {
    GSMessage* copy = Create();
    copy->major = major;
    copy->minor = minor;
    copy->source = source;
    copy->destination = destination;
    copy->timeWord = timeWord;
    copy->parameter = parameter;
    return copy;
}

}  // namespace GSRuntime
