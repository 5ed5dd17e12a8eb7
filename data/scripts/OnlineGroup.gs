//
// OnlineGroup.gs: a group of users of the online messaging service.
//
include "gs.gs"

final class OnlineGroup isclass GameObject
{
};
