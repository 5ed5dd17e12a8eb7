#include "frontend/CommandDispatcher.h"

#include <cstdio>
#include <cstring>

#include "engine/PString.h"
#include "foundation/results/ResultsLog.h"

namespace {

struct FixedResultWord {
    const char* word;
    int32_t result;
};

// Words that only return a number, in the dispatcher's order.
constexpr FixedResultWord kHiddenWordsBeforeEcho[] = {
    {"installedversionlo", kProgramVersion & 0xFF},
    {"installedversionhi", kProgramVersion >> 8},
    {"installedbuildnumberlo", kProgramBuild & 0xFF},
    {"installedbuildnumberhi", kProgramBuild >> 8},
};
constexpr FixedResultWord kHiddenWordsAfterEcho[] = {
    {"installedversion", kProgramVersion},
    {"installedbuildnumber", kProgramBuild},
};

}  // namespace

int32_t DispatchCommand(ResultsLog& log, StartupContext&, int argc, char** argv) {
    Vek::PString word(argc >= 2 ? argv[1] : "");
    word.ToLower();
    const char* w = word.c_str();

    if (std::strcmp(w, "version") == 0) {
        std::printf("Build %d\n", kProgramBuild);
        return 0;
    }
    for (const FixedResultWord& hidden : kHiddenWordsBeforeEcho)
        if (std::strcmp(w, hidden.word) == 0) return hidden.result;
    if (std::strcmp(w, "echo") == 0) {
        for (int i = 2; i < argc; ++i) std::printf("%s ", argv[i]);
        std::printf("\n");
        return 0;
    }
    for (const FixedResultWord& hidden : kHiddenWordsAfterEcho)
        if (std::strcmp(w, hidden.word) == 0) return hidden.result;

    log.AddEntry(ResultsLogEntry::kError, "Invalid argument, please check the help for the list of valid argument\n");
    return -1;
}
