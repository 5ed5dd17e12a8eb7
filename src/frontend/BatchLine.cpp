#include "frontend/BatchLine.h"

bool SplitBatchLine(std::string_view line, std::vector<std::string>& arguments) {
    arguments.clear();

    std::string_view text = line.substr(0, line.find('\0'));
    std::size_t end = text.find_first_of("\r\n", 1);
    if (end != std::string_view::npos) text = text.substr(0, end);

    std::string working;
    working.reserve(text.size() + 2);
    if (text.empty() || text[0] != ' ') working += ' ';
    working.append(text);
    working += ' ';

    bool inQuotes = false;
    bool pending = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < working.size(); ++i) {
        char c = working[i];
        if (c == '"') {
            if (!inQuotes) {
                inQuotes = true;
                pending = true;
                start = i + 1;
            } else {
                arguments.emplace_back(working, start, i - start);
                inQuotes = false;
                pending = false;
            }
        } else if (c == ' ' && !inQuotes) {
            if (pending) arguments.emplace_back(working, start, i - start);
            pending = true;
            start = i + 1;
        }
    }

    if (arguments.empty()) {
        arguments.emplace_back();
        return true;
    }
    const std::string& last = arguments.back();
    if (!last.empty() && (last[0] == '\r' || last[0] == '\n' || last[0] == ' ')) return false;
    return true;
}
