#include "frontend/BatchFile.h"

#include <cstdio>
#include <vector>

#include "foundation/results/ResultsLog.h"
#include "frontend/BatchLine.h"
#include "frontend/PrintResultsLog.h"
#include "frontend/RunCommandGuarded.h"

bool BatchFileReader::Open(const char* path) { return m_file.Open(path, Vek::File::kModeRead); }

bool BatchFileReader::ReadLine(std::string& line) {
    line.clear();
    char chunk[512];
    for (;;) {
        const int64_t before = m_file.Tell();
        if (!Vek::File::ReadLine(m_file, chunk, sizeof chunk)) break;
        const int64_t after = m_file.Tell();
        // The byte count, not strlen: a NUL inside the line is kept for the
        // splitter, which ends the line there.
        const std::size_t length = after > before ? static_cast<std::size_t>(after - before) : 0;
        if (length == 0) break;
        line.append(chunk, length);
        if (chunk[length - 1] == '\n') break;
    }
    return !line.empty();
}

bool BatchFileReader::AtEnd() const { return !m_file.IsValid() || m_file.Tell() >= m_file.Length(); }

int32_t RunBatchFile(BatchFileReader& reader, StartupContext& context, const char* programName) {
    int32_t batchResult = 0;
    std::string line;
    std::vector<std::string> arguments;
    for (bool more = true; more;) {
        // A read that found nothing (the end, or a read error) is the last.
        more = reader.ReadLine(line) && !reader.AtEnd();
        if (!SplitBatchLine(line, arguments)) continue;
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 2);
        argv.push_back(const_cast<char*>(programName));
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int argc = static_cast<int>(argv.size() - 1);

        ResultsLog log;
        if (RunCommandGuarded(log, context, argc, argv.data()) != 0) batchResult = -1;
        PrintResultsLog(log);
        std::fputs("\n", stdout);
    }
    return batchResult;
}
