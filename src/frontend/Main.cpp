#include <cstdio>
#include <cstring>

#include "frontend/HelpText.h"

// Until the command dispatcher lands, the program answers only the help
// requests: "help" prints the text and succeeds; anything else prints it and
// fails.
int main(int argc, char** argv) {
    std::fputs(Vorlex::HelpText(), stdout);
    std::fputs("\n", stdout);
    if (argc >= 2 && strcasecmp(argv[1], "help") == 0) return 0;
    return -1;
}
