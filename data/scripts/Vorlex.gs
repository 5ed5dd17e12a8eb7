//
// Vorlex.gs: what every asset script may use.
//
include "Str.gs"
include "Math.gs"
include "LinkedList.gs"
include "Constructors.gs"
include "VorlexGameObject.gs"

class VorlexScriptBase
{
};

static class Vorlex
{
};
