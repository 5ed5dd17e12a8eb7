#pragma once
// The text form of a soup (TextSoupWriter.h) sent to the program log or
// printed, for diagnostics and the command that dumps a configuration.
#include <string>

#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/TextSoupWriter.h"

// The text form as a string (empty for a null handle, and for a soup the
// text writer refuses as nested too deep).
std::string SoupAsText(const SoupHandle& soup);
// The same; false, with `text` empty, for a soup nested too deep.
bool SoupAsText(const SoupHandle& soup, std::string& text);

// Sends the text form to the program log as one message. A soup nested too
// deep is not written: one line says so instead, and the result is false.
bool LogSoupAsText(const SoupHandle& soup);
// The same within a limit (WriteTextSoupWithin): a soup past it is not
// written either, and nothing is logged for it (the caller reports it).
TextSoupWrite LogSoupAsTextWithin(const SoupHandle& soup, const SoupWalkLimit& limit);

// Writes the text form to standard output followed by a line end. The bytes
// are written as they are (UTF-8). A soup nested too deep prints nothing
// and gives false.
bool PrintSoupAsText(const SoupHandle& soup);
