#pragma once
// The text form of a soup (TextSoupWriter.h) sent to the program log or
// printed, for diagnostics and the command that dumps a configuration.
#include <string>

#include "foundation/soups/SoupHandle.h"

// The text form as a string (empty for a null handle).
std::string SoupAsText(const SoupHandle& soup);

// Sends the text form to the program log as one message.
void LogSoupAsText(const SoupHandle& soup);

// Writes the text form to standard output followed by a line end. The bytes
// are written as they are (UTF-8).
void PrintSoupAsText(const SoupHandle& soup);
