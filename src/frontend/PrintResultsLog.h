#pragma once
// Printing a command's result log to standard output: one line per entry
// with a severity prefix ("; " information, "! " warning, "- " error,
// "+ " success), the KUID of the asset the entry speaks of ("<NULL>" for
// none) and the message, then the summary "OK (n Errors, m Warnings)".
#include <cstdio>

#include "engine/AnsiString.h"

class ResultsLog;

// Prints the whole log to `out` while holding the log's lock. The summary
// counts the printed entries of severity 3 and 2.
void PrintResultsLog(ResultsLog& log, std::FILE* out = stdout);

// A copy of a UTF-8 message converted to the console's character set (the
// locale's); what it cannot hold becomes '?'.
Vek::String ConvertLogTextForConsole(const Vek::String& text);
