//
// Signal.gs: the base of the scripts of signals.
//
include "Trackside.gs"

class Signal isclass Trackside
{
};
