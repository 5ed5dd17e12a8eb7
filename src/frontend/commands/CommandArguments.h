#pragma once
// What one command word works with: the command's result log, the start-up
// context, the argument vector and the argument rules every word shares.
//
// argv[1] is the command word. The first argument A is argv[2] lower-cased,
// or empty when argc is below 3; words that take a KUID parse A in strict
// mode. Words that join user paths to the directory the user started from
// read it here; the install words take their path from argv[2] as typed.
#include <cstdint>
#include <string>

#include "foundation/kuid/KUID.h"

class ResultsLog;
struct StartupContext;

struct CommandArguments {
    CommandArguments(ResultsLog& log, StartupContext& context, int argc, char** argv, std::string startupDirectory);

    ResultsLog& log;
    StartupContext& context;
    int argc;
    char** argv;
    // The current directory when start-up began.
    std::string startupDirectory;
    // argv[2] lower-cased (ASCII), or empty.
    std::string a;

    // argv[index] as given, or the empty text when it is absent.
    const char* Arg(int index) const;
    // A parsed in strict mode; the null KUID when it does not parse.
    KUID StrictKuid() const;
};

// Adds an error entry without property.
void AddCommandError(ResultsLog& log, const char* text);
// Adds an error entry carrying a "AssetID" property of the KUID.
void AddAssetError(ResultsLog& log, const char* text, const KUID& asset);

// A command word's work; returns the command's result.
using CommandWordHandler = int32_t (*)(CommandArguments& args);
