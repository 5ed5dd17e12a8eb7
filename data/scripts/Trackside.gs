//
// Trackside.gs: the base of the scripts of objects along the track.
//
include "Vorlex.gs"

class Trackside isclass VorlexGameObject
{
};
