#pragma once
// Reads the text form of a soup (see TextSoupWriter.h) and guesses each
// value's kind from its text:
//
//   nothing before the line end, '}' or the end    an empty tag (kind 0)
//   '{' on the line, or first after line breaks    a container, read nested
//   [-]digits with a '.', then blanks              a float ("%f")
//   [-]digits, then blanks                         an integer ("%d")
//   only digits, blanks, tabs, ',', '-' and '.'    a float list
//   anything else, and every quoted value          a text, or a KUID when it
//                                                  starts with "<kuid:",
//                                                  "<kuid2:" or "<null>" (any
//                                                  case) and names at most
//                                                  one KUID
//
// Names are runs of bytes up to a blank, tab, line break or '}', lower-cased
// (A-Z) and cut to 511 bytes. Unquoted texts run to the line end or '}'
// ("\n" becomes CR LF); quoted texts run to the next '"' across lines (line
// breaks become CR LF). A repeated name replaces the earlier tag, which
// moves to the end. A text without the UTF-8 byte-order mark is
// Windows-1252 and is converted. A NUL byte ends the name or value it is
// in, as a line break does, and reading goes on after it (texts written
// with their terminating NUL read back whole). A '}' at the top level ends
// reading.
#include "foundation/soups/SoupHandle.h"

class TStream;

// Deepest nesting of containers the reader accepts.
constexpr int kMaxTextSoupDepth = 1024;

// Reads tags from the stream's position into a handle that is cleared first
// (input without tags leaves it null; nothing is read from a stream that is
// not open). Bad input gives tags of other kinds or is skipped, and
// whatever was read up to the end stays. The one failure is nesting deeper
// than kMaxTextSoupDepth: the input is taken as damaged, logged, the handle
// is left null and the result is false. `utf8` true skips the byte-order
// mark test (the text is UTF-8).
bool ParseTextSoup(SoupHandle& soup, TStream& stream, bool utf8 = false);
