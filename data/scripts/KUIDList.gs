//
// KUIDList.gs: an ordered list of KUIDs.
//
include "kuid.gs"

final class KUIDList isclass GSObject
{
};
