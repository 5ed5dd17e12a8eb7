//
// asset.gs: the script face of an installed asset.
//
include "kuid.gs"
include "Soup.gs"
include "StringTable.gs"

final class Asset isclass GSObject
{
};
