//
// Soup.gs: a tree of tagged values.
//
include "gs.gs"

final class Soup isclass GSObject
{
};
