#include "frontend/commands/RegisterAccount.h"

#include "assetdb/requests/VADSettings.h"
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

int32_t RunRegisterAccountWord(CommandArguments& args) {
    const Vek::PString name("internet");
    SoupHandle settings;
    // A failed read writes nothing: writing back a soup that lacks the
    // stored keys would lose them.
    if (!VADReadSettings(settings, name)) {
        AddCommandError(args.log, "Unable to read internet settings.");
        return -1;
    }
    settings.SetString(Vek::PString("username"), args.Arg(2));
    settings.SetString(Vek::PString("password"), args.Arg(3));
    // The daemon's reason for a write it refused lands in the log first.
    if (!VADWriteSettings(name, settings, &args.log)) {
        AddCommandError(args.log, "Unable to write internet settings.");
        return -1;
    }
    return 0;
}
