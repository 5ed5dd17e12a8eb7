//
// HTMLBuffer.gs: a growable HTML text.
//
include "gs.gs"

final class HTMLBuffer isclass GSObject
{
};
