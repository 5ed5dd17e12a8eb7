// gslibc [-b<file>] [-i<folder>]... [-p<folder>] [-s] SOURCE
// The options and the exit status of the "compile" command word: 0 when the
// source compiled into its library, 1 otherwise.
#include "gscompiler/GSCompilerMain.h"

int main(int argc, char** argv) { return GSCompilerMain(argc, argv) == 0 ? 0 : 1; }
