#pragma once
// Writes a soup in its text form, the form of "config.txt":
//
//   <UTF-8 byte-order mark><CR LF>
//   name                                    value<CR LF>
//   <CR LF>                        (an empty line before a container that is
//   container                       not the first tag of its level)
//   {
//     name                                  "text value"
//   }
//
// Each level indents by two blanks; values start at column 40 (at least one
// blank after the name). Names are lower-cased, cut to 1024 bytes, and
// every byte of 32 or less or 128 or more becomes '_', and so do every '}'
// and a leading '{' (the reader would take them as the end or the start of
// a container); a tag without a name is written as "_". Texts are always
// quoted, numbers and KUIDs only when their text holds a blank, tab, CR or
// LF; a double quote inside a value becomes a single quote (there is no
// escape). Kinds without a text form (empty, raw, reserved) and empty texts
// write the name alone. The reader (TextSoupReader.h) guesses kinds from
// the text, so reading is not the exact inverse of writing.
#include <string>

#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/SoupWalkLimit.h"

class TStream;

// Nothing for a null handle. A soup whose containers nest deeper than the
// reader accepts (kMaxTextSoupDepth) is refused: writing stops before the
// first container too deep, with false, and the caller drops what the
// stream holds. (The text grows with the square of the depth, two blanks
// per level on every line, so such a soup would also cost gigabytes.) The
// walk keeps its own list of open containers: no depth reaches the call
// stack.
bool WriteTextSoup(const SoupHandle& soup, TStream& stream);

enum class TextSoupWrite { kWritten, kTooDeep, kTooLarge };
// The same within a limit: writing stops, kTooLarge, as soon as more nodes
// have been visited or more bytes written than `limit` allows (a value's
// line is written whole before the bytes are compared), so a soup that
// shares its sub-soups many times over costs no more than the limit. A
// text that is written is never longer than limit.bytes. The caller drops
// what the stream holds after a refusal.
TextSoupWrite WriteTextSoupWithin(const SoupHandle& soup, TStream& stream, const SoupWalkLimit& limit);

// The name as the writer writes it.
std::string NormaliseTagName(const char* name);
