#pragma once
// The words that need no daemon: "version" prints the build, the hidden
// version words only return numbers (installers read them as exit codes),
// "echo" prints its arguments.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// The program's version and build number.
constexpr int32_t kProgramVersion = 350;
constexpr int32_t kProgramBuild = 47059;

// Writes "Build 47059" and a line end; 0.
int32_t RunVersionWord(CommandArguments& args);
// The version 350, its low byte 94 and its high byte 1.
int32_t RunInstalledVersionWord(CommandArguments& args);
int32_t RunInstalledVersionLoWord(CommandArguments& args);
int32_t RunInstalledVersionHiWord(CommandArguments& args);
// The build 47059, its low byte 211 and its high byte 183.
int32_t RunInstalledBuildNumberWord(CommandArguments& args);
int32_t RunInstalledBuildNumberLoWord(CommandArguments& args);
int32_t RunInstalledBuildNumberHiWord(CommandArguments& args);
// Writes every argument from argv[2] on, each followed by one blank, then a
// line feed; 0.
int32_t RunEchoWord(CommandArguments& args);
