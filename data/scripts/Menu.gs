//
// Menu.gs: a menu that a library may offer.
//
include "gs.gs"

class Menu isclass GSObject
{
	public string title;
};
