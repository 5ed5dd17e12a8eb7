//
// kuid.gs: the script face of an asset's KUID.
//
include "gs.gs"

final class KUID isclass GSObject
{
};
