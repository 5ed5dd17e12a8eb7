//
// Image.gs: a bitmap scripts can draw into.
//
include "gs.gs"

final class Image isclass GSObject
{
};
