#pragma once
// The GameScript compiler's entries: the command line of the `compile`
// command and the two compile calls the rest of the program uses. Each
// returns the number of compile errors (0 = success). A library file is
// written only after a compile without errors, through a temporary file
// that replaces the old library only once it is complete; an image that
// cannot be built ("Internal Compiler Error") or stored ("Unable to open
// output file", "Unable to write output file") makes the result 1 and
// leaves any earlier library as it was.
#include "foundation/containers/DoubleLinkList.h"

class GSCompileLog;

// The command line: argument 0 is the name shown in the usage text; then
// options and the source. Options: "-b<file>" also appends the messages to
// that file, "-d" prints the language document and returns 0 at once,
// "-i<folder>" adds an include folder, "-p<folder>" the output location,
// "-s" keeps the messages off standard output; others are ignored. An
// argument not starting with '-' is the source (the last one wins). Without
// a source the usage is printed and the result is 1.
int GSCompilerMain(int argc, char** argv);

// Compiles `sourcePath` into "<name>.gsl" in the output folder (the "-p"
// value or the source path, less its last element). The include list
// becomes the source's folder, then `includes` (IncludePath*) in order.
int CompileScriptToFolder(const char* sourcePath, const char* outputFolder, Utils::DoubleLinkList& includes,
                          GSCompileLog* log);

// Compiles a source found on the include list as its caller left it into
// exactly `outputPath` (null: no file). A null source name returns 0.
int CompileScriptToFile(GSCompileLog* log, const char* sourceName, const char* outputPath);

// The usage text.
void GSPrintUsage(const char* programName);
