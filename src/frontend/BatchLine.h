#pragma once
// Splitting one line of a batch file into the arguments of a command.
#include <string>
#include <string_view>
#include <vector>

// Splits `line` (as read from the file, its line terminator included or
// not) into the command's arguments, argv[1] onwards. Returns false when
// the line is to be skipped (a blank line), true when it runs as a command.
//
// The line ends at its first NUL, and at the first carriage return or line
// feed after its first character. Arguments are separated by single
// spaces, so two spaces in a row give an empty argument; a double-quoted
// part is one argument and may hold spaces; text before an opening quote
// or between a closing quote and the next space is dropped. A line whose
// last argument begins with a carriage return, a line feed or a space is
// skipped. A line that yields no argument at all (an unclosed quote) runs
// as an empty command word, which the dispatcher rejects.
bool SplitBatchLine(std::string_view line, std::vector<std::string>& arguments);
