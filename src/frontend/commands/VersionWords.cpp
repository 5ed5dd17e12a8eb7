#include "frontend/commands/VersionWords.h"

#include <cstdio>

int32_t RunVersionWord(CommandArguments&) {
    std::printf("Build %d\n", kProgramBuild);
    return 0;
}

int32_t RunInstalledVersionWord(CommandArguments&) { return kProgramVersion; }
int32_t RunInstalledVersionLoWord(CommandArguments&) { return kProgramVersion & 0xFF; }
int32_t RunInstalledVersionHiWord(CommandArguments&) { return kProgramVersion >> 8; }
int32_t RunInstalledBuildNumberWord(CommandArguments&) { return kProgramBuild; }
int32_t RunInstalledBuildNumberLoWord(CommandArguments&) { return kProgramBuild & 0xFF; }
int32_t RunInstalledBuildNumberHiWord(CommandArguments&) { return kProgramBuild >> 8; }

int32_t RunEchoWord(CommandArguments& args) {
    for (int i = 2; i < args.argc; ++i) std::printf("%s ", args.Arg(i));
    std::printf("\n");
    return 0;
}
