//
// OnlineAccess.gs: the script face of the online messaging service.
//
include "gs.gs"

final class OnlineAccess isclass GameObject
{
};
