#pragma once
// Validating the asset in a folder (operation 38). The folder is checked
// first as AssetFolderCheck.h describes; one that fails is not validated.
// Otherwise the validation runs as a command host's job (CommandHosts.h):
// int32 0, the location name and the folder (both interned strings). The
// job's reply is the validation's log entries and then its result byte;
// its entries become the requester's log lines whatever they say. A reply
// without the result byte (or no reply at all) means the job could not
// run. The ok byte of operation 38 tells whether the validation ran; what
// it found is in the log lines.
#include <string>

class CommandHosts;
class ResultsLog;

// True when the validation job ran.
bool ValidateAssetFolder(CommandHosts& hosts, const std::string& location, const std::string& folder,
                         ResultsLog& log);
