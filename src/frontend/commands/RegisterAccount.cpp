#include "frontend/commands/RegisterAccount.h"

#include "assetdb/client/VADConnection.h"
#include "assetdb/requests/VADSettings.h"
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

int32_t RunRegisterAccountWord(CommandArguments& args) {
    const Vek::PString name("internet");
    SoupHandle settings;
    // The request functions answer true whatever happened; a link that is
    // down afterwards means the reply did not come.
    if (!VADReadSettings(settings, name) || !VADIsConnected()) {
        AddCommandError(args.log, "Unable to read internet settings.");
        return -1;
    }
    settings.SetString(Vek::PString("username"), args.Arg(2));
    settings.SetString(Vek::PString("password"), args.Arg(3));
    if (!VADWriteSettings(name, settings) || !VADIsConnected()) {
        AddCommandError(args.log, "Unable to write internet settings.");
        return -1;
    }
    return 0;
}
