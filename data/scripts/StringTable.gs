//
// StringTable.gs: the texts of an asset's string table.
//
include "gs.gs"

final class StringTable isclass GSObject
{
};
