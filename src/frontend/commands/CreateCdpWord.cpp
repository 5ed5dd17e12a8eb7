#include "frontend/commands/CreateCdpWord.h"

#include "assetdb/archives/CreateCdpArchive.h"

int32_t RunCreateCdpWord(CommandArguments& args) {
    const int32_t count = args.argc > 3 ? args.argc - 3 : 0;
    return CreateCdpArchive(args.a.empty() ? "" : args.Arg(2), count > 0 ? args.argv + 3 : nullptr, count, args.log);
}
