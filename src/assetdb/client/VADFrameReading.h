#pragma once
// Reading the parts of a daemon frame on the reader thread: words and
// payloads whose length the peer announces. A length below 0 or over
// kMaxVADFrameBytes is refused; payloads are taken in 64 KiB pieces as
// they arrive, so a false length costs no memory up front.
#include <cstdint>

class TStream;

// One little-endian int32.
bool ReceiveVADWord(int32_t& value);
// `length` bytes appended to `stream` at its position. False on a refused
// length, a failed receive or a stream that cannot take the bytes.
bool ReceiveVADPayload(int32_t length, TStream& stream);
// `length` bytes read and dropped.
bool DiscardVADPayload(int32_t length);
