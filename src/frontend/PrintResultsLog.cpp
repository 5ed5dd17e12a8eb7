#include "frontend/PrintResultsLog.h"

#include <algorithm>
#include <vector>

#include "foundation/console/CodePages.h"
#include "foundation/kuid/KUID.h"
#include "foundation/results/ResultsLog.h"

namespace {

const char* SeverityPrefix(int32_t severity) {
    switch (severity) {
        case ResultsLogEntry::kInformation: return "; ";
        case ResultsLogEntry::kWarning: return "! ";
        case ResultsLogEntry::kError: return "- ";
        case ResultsLogEntry::kSuccess: return "+ ";
        default: return "";
    }
}

}  // namespace

Vek::String ConvertLogTextForConsole(const Vek::String& text) {
    if (text.IsEmpty()) return Vek::String();
    std::vector<char> buffer(text.c_str(), text.c_str() + text.Length() + 1);
    int result = ConvertFromUTF8(buffer.data(), buffer.size(), kCodePageConsole);
    if (result > 0) {
        std::vector<char> larger(static_cast<std::size_t>(result));
        std::copy(buffer.begin(), buffer.end(), larger.begin());
        buffer.swap(larger);
        ConvertFromUTF8(buffer.data(), buffer.size(), kCodePageConsole);
    }
    return Vek::String(buffer.data());
}

void PrintResultsLog(ResultsLog& log, std::FILE* out) {
    log.Lock();
    int32_t errors = 0;
    int32_t warnings = 0;
    for (const ResultsLogEntry& entry : log.Entries()) {
        Vek::String valueText = entry.property.GetValueText();
        Vek::PString asset = KUID::Parse(valueText.c_str(), false).ToTagString();
        Vek::String message = ConvertLogTextForConsole(entry.text);
        std::fputs(SeverityPrefix(entry.severity), out);
        std::fputs(asset.c_str(), out);
        std::fputs(" : ", out);
        std::fputs(message.c_str(), out);
        std::fputc('\n', out);
        if (entry.severity == ResultsLogEntry::kError) ++errors;
        if (entry.severity == ResultsLogEntry::kWarning) ++warnings;
    }
    std::fprintf(out, "OK (%d Errors, %d Warnings)\n", errors, warnings);
    log.Unlock();
}
